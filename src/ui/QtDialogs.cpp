#include "ui/QtDialogs.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStyle>

namespace lux {

namespace {

struct DialogTexts {
  Q_DECLARE_TR_FUNCTIONS(QtDialogs)
};

}  // namespace

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
  if (filters.isEmpty()) filters << DialogTexts::tr("All Files (*)");
  return filters.join(QStringLiteral(";;"));
}

namespace {

// Icons and type names from the name alone. The stock provider asks the MIME database, which
// reads a file's first bytes when its name says nothing; under /proc such a read can wait for
// ever, and a dialog that merely lists the folder would hang the program.
class PlainFileIcons : public QAbstractFileIconProvider {
 public:
  PlainFileIcons() {
    QStyle* style = QApplication::style();
    folder_ = style->standardIcon(QStyle::SP_DirIcon);
    file_ = style->standardIcon(QStyle::SP_FileIcon);
    setOptions(DontUseCustomDirectoryIcons);
  }
  QIcon icon(IconType type) const override {
    return type == Folder || type == Drive || type == Computer || type == Network ? folder_ : file_;
  }
  QIcon icon(const QFileInfo& info) const override { return info.isDir() ? folder_ : file_; }
  QString type(const QFileInfo& info) const override {
    if (info.isDir()) return DialogTexts::tr("Folder");
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? DialogTexts::tr("File")
                            : DialogTexts::tr("%1 File").arg(suffix.toUpper());
  }

 private:
  QIcon folder_;
  QIcon file_;
};

QAbstractFileIconProvider* plainFileIcons() {
  static PlainFileIcons provider;
  return &provider;
}

}  // namespace

QString startFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

std::unique_ptr<QFileDialog> makeFileDialog(QWidget* owner, const QString& caption,
                                            const QString& folder, const QString& filter,
                                            QFileDialog::AcceptMode mode) {
  auto dialog = std::make_unique<QFileDialog>(owner, caption, QString(), filter);
  // Our own dialog, so that what it lists is read our way (see PlainFileIcons).
  dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontUseCustomDirectoryIcons);
  dialog->setIconProvider(plainFileIcons());
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                      : QFileDialog::ExistingFile);
  // A folder, never a name: a start folder that is not there would otherwise be proposed as the
  // file name.
  dialog->setDirectory(QFileInfo(folder).isDir() ? folder : startFolder());
  dialog->selectFile(QString());
  return dialog;
}

namespace {

// Shows the dialog modal through `run`; the chosen path, or empty when cancelled.
QString runFileDialog(QFileDialog& dialog, QString* selectedFilter,
                      const std::function<int(QDialog&)>& run) {
  if (selectedFilter && !selectedFilter->isEmpty()) dialog.selectNameFilter(*selectedFilter);
  if (run(dialog) != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return {};
  if (selectedFilter) *selectedFilter = dialog.selectedNameFilter();
  return files.first();
}

}  // namespace

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

int QtDialogs::run(QDialog& dialog) {
  QObject::connect(&dialog, &QDialog::finished, &dialog, [this] {
    if (answered) answered();
  });
  return dialog.exec();
}

void QtDialogs::message(const QString& text) {
  QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, owner());
  run(box);
}

bool QtDialogs::confirm(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::Warning, title.isEmpty() ? applicationTitle() : title, text,
                  QMessageBox::Ok | QMessageBox::Cancel, owner());
  box.setDefaultButton(QMessageBox::Ok);
  return run(box) == QMessageBox::Ok;
}

SaveChoice QtDialogs::askSave(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::Warning, title.isEmpty() ? applicationTitle() : title, text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, owner());
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (run(box)) {
    case QMessageBox::Save:
      return SaveChoice::Save;
    case QMessageBox::Discard:
      return SaveChoice::Discard;
    default:
      return SaveChoice::Cancel;
  }
}

QString QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
  // As QInputDialog::getText, with the answer heard by `answered`.
  QInputDialog dialog(owner());
  dialog.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
  dialog.setLabelText(prompt);
  dialog.setTextEchoMode(QLineEdit::Normal);
  dialog.setTextValue(defaultText);
  return run(dialog) == QDialog::Accepted ? dialog.textValue() : QString();
}

std::optional<QString> QtDialogs::saveFileName(const QString& filter) {
  const QString qtFilter = qtFileFilter(filter);
  QString selected = qtFilter.section(QStringLiteral(";;"), 0, 0);
  if (lastFolder_.isEmpty()) lastFolder_ = startFolder();
  // QFileDialog asks before replacing an existing file unless told otherwise.
  const auto dialog = makeFileDialog(owner(), DialogTexts::tr("Save As"), lastFolder_, qtFilter,
                                     QFileDialog::AcceptSave);
  const QString path = runFileDialog(*dialog, &selected, [this](QDialog& d) { return run(d); });
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
  if (lastFolder_.isEmpty()) lastFolder_ = startFolder();
  const auto dialog = makeFileDialog(owner(), DialogTexts::tr("Open"), lastFolder_, qtFilter,
                                     QFileDialog::AcceptOpen);
  const QString path = runFileDialog(*dialog, &selected, [this](QDialog& d) { return run(d); });
  if (path.isEmpty()) return std::nullopt;
  lastFolder_ = QFileInfo(path).absolutePath();
  lastSelectedFilter_ = selected;
  if (folderChosen) folderChosen(lastFolder_);
  return path;
}

bool QtDialogs::printerSetup(QPrinter& printer) {
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    // No printer on this machine: printing to a PDF file is the useful alternative.
    const QString folder = lastFolder_.isEmpty() ? startFolder() : lastFolder_;
    const auto dialog =
        makeFileDialog(owner(), DialogTexts::tr("No printer found - print to PDF file"), folder,
                       DialogTexts::tr("PDF Files (*.pdf)"), QFileDialog::AcceptSave);

    const QString path = runFileDialog(*dialog, nullptr, [this](QDialog& d) { return run(d); });
    if (path.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
                                  ? path
                                  : path + QStringLiteral(".pdf"));
    return true;
  }
  QPrintDialog dialog(&printer, owner());
  return run(dialog) == QDialog::Accepted;
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
