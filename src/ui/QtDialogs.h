#pragma once
// The dialog layer on real Qt dialogs: message and input boxes, the Save As / Open dialogs, the
// printer dialog and the hourglass pointer.
#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "ui/Dialogs.h"

namespace lux {

// Turns a "Description|pattern|Description|pattern|" filter into Qt's "Description (patterns);;..."
// form. "*.*" becomes "*", so files without an extension are listed too; several patterns
// separated by ';' become a space-separated list.
QString qtFileFilter(const QString& pipeFilter);

// Where the first file dialog opens: the documents folder when it exists, else the home folder.
QString startFolder();

// The file dialogs the program shows: Qt's own dialog (never the desktop's), starting in
// `folder` (or startFolder() when that is not a folder) with an empty file name, and listing
// files by their names only, without reading them.
std::unique_ptr<QFileDialog> makeFileDialog(QWidget* owner, const QString& caption,
                                            const QString& folder, const QString& filter,
                                            QFileDialog::AcceptMode mode);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr);
  // The window the dialogs are centred on when no other window of the program is active.
  void setParent(QWidget* parent) { parent_ = parent; }

  void message(const QString& text) override;
  bool confirm(const QString& text, const QString& title) override;
  SaveChoice askSave(const QString& text, const QString& title) override;
  QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
  std::optional<QString> saveFileName(const QString& filter) override;
  std::optional<QString> openFileName(const QString& filter) override;
  bool printerSetup(QPrinter& printer) override;
  void setBusy(bool busy) override;

  // The title every message box carries (the application's display name).
  static QString applicationTitle();

  // The folder the file dialogs start in, and who hears of the folder a dialog ended in (so
  // that the next run starts there too).
  void setStartFolder(const QString& folder) { lastFolder_ = folder; }
  std::function<void(const QString& folder)> folderChosen;
  // Hears each box the moment the user answers it, before the box's own event loop returns: a
  // timer handler still running inside that loop (the panel's poll waiting for a silent meter)
  // can be ended then, so the command behind the box goes on at once.
  std::function<void()> answered;

 private:
  QWidget* owner() const;
  int run(QDialog& dialog);

  QPointer<QWidget> parent_;
  QString lastFolder_;          // the Open dialog starts where the last Save As ended
  QString lastSelectedFilter_;  // and keeps the filter chosen there
  int busyDepth_ = 0;
};

}  // namespace lux
