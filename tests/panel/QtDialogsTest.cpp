// The Qt dialog layer: the filter conversion, the boxes' icons, buttons and titles, what Cancel
// answers, and the hourglass pointer's balance. Modal boxes are answered by a timer that finds
// the active modal widget.
#include <gtest/gtest.h>
#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include "ui/QtDialogs.h"

namespace lux {
namespace {

// Runs `answer` on the first modal widget that appears (within 5 s; the dialog is rejected if
// `answer` leaves it open, so an unexpected box cannot hang the test).
class ModalAnswerer {
 public:
  explicit ModalAnswerer(std::function<void(QWidget*)> answer,
                         std::function<bool(QWidget*)> wanted = {})
      : answer_(std::move(answer)), wanted_(std::move(wanted)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      ++ticks_;
      QWidget* modal = QApplication::activeModalWidget();
      if (!seen_ && modal && (!wanted_ || wanted_(modal))) {
        seen_ = modal;
        answer_(modal);
        return;
      }
      // Watchdog: a box nobody answers within 5 s fails the test instead of hanging it.
      if (ticks_ > 500 && modal) {
        ADD_FAILURE() << "unanswered modal " << modal->metaObject()->className() << ": "
                      << qPrintable(modal->windowTitle());
        if (auto* box = qobject_cast<QMessageBox*>(modal)) ADD_FAILURE() << qPrintable(box->text());
        if (auto* d = qobject_cast<QDialog*>(modal))
          d->reject();
        else
          modal->close();
        ticks_ = 0;
      }
    });
    timer_.start();
  }
  bool answered() const { return seen_ != nullptr; }

 private:
  std::function<void(QWidget*)> answer_;
  std::function<bool(QWidget*)> wanted_;
  QTimer timer_;
  int ticks_ = 0;
  QWidget* seen_ = nullptr;
};

TEST(QtFileFilter, ConvertsPipeFiltersToQtFilters) {
  EXPECT_EQ(qtFileFilter("All Files (*.*)|*.*|"), "All Files (*)");
  EXPECT_EQ(qtFileFilter("Text (*.txt)|*.txt|All Files (*.*)|*.*"), "Text (*.txt);;All Files (*)");
  EXPECT_EQ(qtFileFilter("Data|*.txt;*.dat|"), "Data (*.txt *.dat)");
  // A description without patterns of its own, and junk, still give a usable filter.
  EXPECT_EQ(qtFileFilter("|*.csv|"), "*.csv (*.csv)");
  EXPECT_EQ(qtFileFilter(""), "All Files (*)");
  EXPECT_EQ(qtFileFilter("Only a description"), "All Files (*)");
}

TEST(QtDialogsBoxes, MessageIsACriticalBoxWithOkAndTheProgramsTitle) {
  QtDialogs dialogs;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title, text;
  int buttons = 0;
  ModalAnswerer answerer([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    icon = box->icon();
    title = box->windowTitle();
    text = box->text();
    buttons = box->buttons().size();
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.message("Recording Mode!\n\rPlease stop recording!");
  EXPECT_TRUE(answerer.answered());
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(title, QtDialogs::applicationTitle());
  EXPECT_FALSE(title.isEmpty());
  EXPECT_EQ(text, "Recording Mode!\n\rPlease stop recording!");
  EXPECT_EQ(buttons, 1);
}

TEST(QtDialogsBoxes, ConfirmIsAnExclamationWithOkAndCancel) {
  QtDialogs dialogs;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  {
    ModalAnswerer answerer([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      icon = box->icon();
      title = box->windowTitle();
      ASSERT_NE(box->button(QMessageBox::Cancel), nullptr);
      box->button(QMessageBox::Ok)->click();
    });
    EXPECT_TRUE(dialogs.confirm("Erase the memory?", "Data Logger"));
  }
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(title, "Data Logger");
  ModalAnswerer cancel(
      [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Cancel)->click(); });
  EXPECT_FALSE(dialogs.confirm("Erase the memory?", "Data Logger"));
}

TEST(QtDialogsBoxes, InputGivesTheTextOrEmptyOnCancel) {
  QtDialogs dialogs;
  QString prompt, defaultText;
  {
    ModalAnswerer answerer([&](QWidget* w) {
      auto* dialog = qobject_cast<QInputDialog*>(w);
      ASSERT_NE(dialog, nullptr);
      prompt = dialog->labelText();
      defaultText = dialog->textValue();
      dialog->setTextValue("05:07");
      dialog->accept();
    });
    EXPECT_EQ(dialogs.input("Hold time (MM:SS)", "Hold", "00:10"), "05:07");
  }
  EXPECT_EQ(prompt, "Hold time (MM:SS)");
  EXPECT_EQ(defaultText, "00:10");
  ModalAnswerer cancel([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_EQ(dialogs.input("Hold time (MM:SS)", "Hold", "00:10"), "");
}

bool isFileDialog(QWidget* w) {
  return qobject_cast<QFileDialog*>(w) != nullptr;
}

void chooseFile(QWidget* w, const QString& path) {
  auto* dialog = qobject_cast<QFileDialog*>(w);
  ASSERT_NE(dialog, nullptr);
  // Typed as a user types it: the whole path in the name box, then Return.
  auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(name, nullptr);
  name->setText(path);
  QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
}

TEST(QtDialogsFiles, SaveAsGivesThePathAndCancelGivesNothing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtDialogs dialogs;
  const QString fresh = dir.filePath("run1.txt");
  {
    ModalAnswerer answerer([&](QWidget* w) { chooseFile(w, fresh); }, isFileDialog);
    EXPECT_EQ(dialogs.saveFileName("All Files (*.*)|*.*|"), std::optional<QString>(fresh));
  }
  {
    ModalAnswerer answerer([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(dialogs.saveFileName("All Files (*.*)|*.*|"), std::nullopt);
  }
}

TEST(QtDialogsFiles, OpenGivesThePathOrNothing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile data(dir.filePath("data.txt"));
  ASSERT_TRUE(data.open(QIODevice::WriteOnly));
  data.close();
  QtDialogs dialogs;
  {
    ModalAnswerer answerer([&](QWidget* w) { chooseFile(w, data.fileName()); }, isFileDialog);
    EXPECT_EQ(dialogs.openFileName("All Files (*.*)|*.*|"),
              std::optional<QString>(data.fileName()));
  }
  ModalAnswerer cancel([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_EQ(dialogs.openFileName("All Files (*.*)|*.*|"), std::nullopt);
}

// HOME (and with it the documents folder) pointed at a folder of the test's own.
class HomeIn {
 public:
  explicit HomeIn(const QString& home)
      : home_(qgetenv("HOME")),
        xdg_(qgetenv("XDG_CONFIG_HOME")),
        hadXdg_(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
    qputenv("HOME", home.toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
  }
  ~HomeIn() {
    qputenv("HOME", home_);
    if (hadXdg_) qputenv("XDG_CONFIG_HOME", xdg_);
  }

 private:
  QByteArray home_, xdg_;
  bool hadXdg_;
};

struct DialogLook {
  QString folder;
  QString name;
  QString typeOfUnnamedPicture;
  bool ownDialog = false;
};

DialogLook lookAndCancel(QWidget* w, const QString& picture) {
  DialogLook look;
  auto* dialog = qobject_cast<QFileDialog*>(w);
  if (!dialog) return look;
  look.folder = dialog->directory().absolutePath();
  if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) look.name = name->text();
  if (dialog->iconProvider())
    look.typeOfUnnamedPicture = dialog->iconProvider()->type(QFileInfo(picture));
  look.ownDialog = dialog->testOption(QFileDialog::DontUseNativeDialog);
  dialog->reject();
  return look;
}

TEST(QtDialogsFiles, FirstDialogStartsInDocumentsOnlyWhenItExistsAndProposesNoName) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  HomeIn in(home.path());
  {
    QtDialogs dialogs;
    DialogLook look;
    ModalAnswerer answerer([&](QWidget* w) { look = lookAndCancel(w, {}); }, isFileDialog);
    EXPECT_EQ(dialogs.saveFileName("All Files (*.*)|*.*|"), std::nullopt);
    EXPECT_EQ(look.folder, QDir(home.path()).absolutePath());
    EXPECT_EQ(look.name, "") << "no file named after a missing folder";
  }
  ASSERT_TRUE(QDir(home.path()).mkdir("Documents"));
  for (bool save : {true, false}) {
    QtDialogs dialogs;
    DialogLook look;
    ModalAnswerer answerer([&](QWidget* w) { look = lookAndCancel(w, {}); }, isFileDialog);
    if (save)
      dialogs.saveFileName("All Files (*.*)|*.*|");
    else
      dialogs.openFileName("All Files (*.*)|*.*|");
    EXPECT_EQ(look.folder, QDir(home.path()).absoluteFilePath("Documents")) << save;
    EXPECT_EQ(look.name, "");
  }
}

TEST(QtDialogsFiles, FilesAreListedByTheirNamesWithoutReadingThem) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // A picture without a suffix: only its first bytes could tell what it is.
  const QString picture = dir.filePath("snapshot");
  QFile f(picture);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));
  f.close();
  QtDialogs dialogs;
  DialogLook look;
  ModalAnswerer answerer([&](QWidget* w) { look = lookAndCancel(w, picture); }, isFileDialog);
  dialogs.openFileName("All Files (*.*)|*.*|");
  EXPECT_TRUE(look.ownDialog);
  EXPECT_EQ(look.typeOfUnnamedPicture, "File");
}

TEST(QtDialogsPrinter, WithoutAPrinterThePrintGoesToAChosenPdfFile) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "this machine has printers";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtDialogs dialogs;
  {
    QPrinter printer;
    ModalAnswerer answerer([&](QWidget* w) { chooseFile(w, dir.filePath("graph")); }, isFileDialog);
    ASSERT_TRUE(dialogs.printerSetup(printer));
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer.outputFileName(), dir.filePath("graph.pdf"));
  }
  QPrinter printer;
  ModalAnswerer cancel([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_FALSE(dialogs.printerSetup(printer));
}

TEST(QtDialogsBusy, HourglassIsBalancedAndNeverEatsAnotherPointer) {
  QtDialogs dialogs;
  ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  dialogs.setBusy(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  dialogs.setBusy(true);
  dialogs.setBusy(false);
  EXPECT_NE(QApplication::overrideCursor(), nullptr);  // still one level busy
  dialogs.setBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // An unbalanced "not busy" leaves a pointer set by someone else alone.
  QApplication::setOverrideCursor(Qt::CrossCursor);
  dialogs.setBusy(false);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
  QApplication::restoreOverrideCursor();
}

}  // namespace
}  // namespace lux
