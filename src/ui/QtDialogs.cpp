#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace lux {

QString qtFileFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QStringList patterns;
    for (QString p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
      if (!p.isEmpty()) patterns << p;
    }
    if (patterns.isEmpty()) continue;
    // Qt reads the patterns from the last parenthesised group: drop the one the description
    // already carries so the list is not shown twice.
    description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*$")));
    if (description.isEmpty()) description = patterns.join(QLatin1Char(' '));
    filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
  }
  if (filters.isEmpty()) filters << QStringLiteral("All Files (*)");
  return filters.join(QStringLiteral(";;"));
}

QtDialogs::QtDialogs(QWidget* parent) : parent_(parent) {}

QString QtDialogs::applicationTitle() {
  const QString name = QGuiApplication::applicationDisplayName();
  return name.isEmpty() ? QStringLiteral("luxpanel") : name;
}

QWidget* QtDialogs::owner() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return parent_.data();
}

void QtDialogs::message(const QString& text) {
  QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, owner());
  box.exec();
}

bool QtDialogs::confirm(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::Warning, title.isEmpty() ? applicationTitle() : title, text,
                  QMessageBox::Ok | QMessageBox::Cancel, owner());
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

QString QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
  bool ok = false;
  const QString text = QInputDialog::getText(owner(), title.isEmpty() ? applicationTitle() : title,
                                             prompt, QLineEdit::Normal, defaultText, &ok);
  return ok ? text : QString();
}

std::optional<QString> QtDialogs::saveFileName(const QString& filter) {
  const QString qtFilter = qtFileFilter(filter);
  QString selected = qtFilter.section(QStringLiteral(";;"), 0, 0);
  if (lastFolder_.isEmpty())
    lastFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  // QFileDialog asks before replacing an existing file unless told otherwise.
  const QString path = QFileDialog::getSaveFileName(owner(), QStringLiteral("Save As"), lastFolder_,
                                                    qtFilter, &selected);
  if (path.isEmpty()) return std::nullopt;
  lastFolder_ = QFileInfo(path).absolutePath();
  lastSelectedFilter_ = selected;
  if (folderChosen) folderChosen(lastFolder_);
  return path;
}

std::optional<QString> QtDialogs::openFileName(const QString& filter) {
  const QString qtFilter = qtFileFilter(filter);
  QString selected = qtFilter.contains(lastSelectedFilter_) && !lastSelectedFilter_.isEmpty()
                         ? lastSelectedFilter_
                         : qtFilter.section(QStringLiteral(";;"), 0, 0);
  if (lastFolder_.isEmpty())
    lastFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString path = QFileDialog::getOpenFileName(owner(), QStringLiteral("Open"), lastFolder_,
                                                    qtFilter, &selected);
  if (path.isEmpty()) return std::nullopt;
  lastFolder_ = QFileInfo(path).absolutePath();
  lastSelectedFilter_ = selected;
  if (folderChosen) folderChosen(lastFolder_);
  return path;
}

bool QtDialogs::printerSetup(QPrinter& printer) {
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    // No printer on this machine: printing to a PDF file is the useful alternative.
    const QString folder = lastFolder_.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : lastFolder_;
    const QString path = QFileDialog::getSaveFileName(
        owner(), QStringLiteral("No printer found - print to PDF file"), folder,
        QStringLiteral("PDF Files (*.pdf)"));
    if (path.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
                                  ? path
                                  : path + QStringLiteral(".pdf"));
    return true;
  }
  QPrintDialog dialog(&printer, owner());
  return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::setBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++busyDepth_;
  } else if (busyDepth_ > 0) {
    // Only undo what this layer set, so an unbalanced "off" cannot eat another window's cursor.
    QApplication::restoreOverrideCursor();
    --busyDepth_;
  }
}

}  // namespace lux
