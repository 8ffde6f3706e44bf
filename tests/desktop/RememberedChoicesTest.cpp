// What is remembered between runs (port, folder, window sizes) and windows kept on the screen.
// Every test writes to its own settings file in a temporary folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/RememberedChoices.h"
#include "ui/Placement.h"
#include "ui/QtDialogs.h"

namespace lux {
namespace {

class RememberedTest : public ::testing::Test {
 protected:
  std::unique_ptr<RememberedChoices> open() {
    return std::make_unique<RememberedChoices>(std::make_unique<QSettings>(
        dir.filePath(QStringLiteral("luxpanel.conf")), QSettings::IniFormat));
  }
  QTemporaryDir dir;
};

TEST_F(RememberedTest, ChoicesComeBackInTheNextRun) {
  {
    auto first = open();
    EXPECT_TRUE(first->lastPort().isEmpty());
    EXPECT_FALSE(first->windowSize(QStringLiteral("FileList")).isValid());
    first->setLastPort(QStringLiteral(" /dev/ttyUSB0 "));
    first->setLastFolder(QStringLiteral("/home/user/readings"));
    first->setWindowSize(QStringLiteral("FileList"), QSize(420, 610));
    first->setLastPort(QString());  // an empty box never replaces a port that worked
  }
  auto second = open();
  EXPECT_EQ(second->lastPort(), QStringLiteral("/dev/ttyUSB0"));
  EXPECT_EQ(second->lastFolder(), QStringLiteral("/home/user/readings"));
  EXPECT_EQ(second->windowSize(QStringLiteral("FileList")), QSize(420, 610));
}

TEST_F(RememberedTest, DamagedSizesAreIgnored) {
  {
    QSettings raw(dir.filePath(QStringLiteral("luxpanel.conf")), QSettings::IniFormat);
    raw.setValue(QStringLiteral("windows/Plot/size"), QSize(0, 0));
    raw.setValue(QStringLiteral("windows/DataList/size"), QSize(900000, 500));
    raw.setValue(QStringLiteral("windows/FileList/size"), QStringLiteral("big"));
  }
  auto r = open();
  for (const char* name : {"Plot", "DataList", "FileList"})
    EXPECT_FALSE(r->windowSize(QLatin1String(name)).isValid()) << name;
}

TEST_F(RememberedTest, PortBoxOffersTheLastPort) {
  QComboBox box;
  box.setEditable(true);
  for (int i = 1; i <= 16; ++i) box.addItem(QStringLiteral("COM%1").arg(i));
  box.setCurrentIndex(-1);
  box.setEditText(QStringLiteral("COM1"));
  preselectPort(&box, QStringLiteral("COM3"));
  EXPECT_EQ(box.currentText(), QStringLiteral("COM3"));
  EXPECT_EQ(box.currentIndex(), 2);
  // A typed path that is not in the list is put into the box as typed.
  preselectPort(&box, QStringLiteral("/dev/pts/7"));
  EXPECT_EQ(box.currentText(), QStringLiteral("/dev/pts/7"));
  // Nothing remembered: the box keeps its default.
  QComboBox fresh;
  fresh.setEditable(true);
  fresh.setEditText(QStringLiteral("COM1"));
  preselectPort(&fresh, QString());
  EXPECT_EQ(fresh.currentText(), QStringLiteral("COM1"));
}

TEST_F(RememberedTest, ListsAndViewersReopenAtTheirLastSize) {
  auto r = open();
  r->watchWindows();
  auto list = std::make_unique<QWidget>();
  list->setObjectName(QStringLiteral("FileList"));
  list->resize(300, 400);
  list->show();
  list->resize(333, 444);
  list->close();
  EXPECT_EQ(r->windowSize(QStringLiteral("FileList")), QSize(333, 444));

  auto again = std::make_unique<QWidget>();
  again->setObjectName(QStringLiteral("FileList"));
  again->resize(300, 400);
  again->show();
  EXPECT_EQ(again->size(), QSize(333, 444));

  // The panel keeps the size its LCD needs.
  auto panel = std::make_unique<QWidget>();
  panel->setObjectName(QStringLiteral("Panel"));
  panel->resize(300, 200);
  panel->show();
  panel->resize(310, 210);
  panel->close();
  EXPECT_FALSE(r->windowSize(QStringLiteral("Panel")).isValid());
}

TEST(FitOnScreen, MovesAsLittleAsNeeded) {
  const QRect screen(0, 0, 1600, 1000);
  EXPECT_EQ(fitOnScreen(QRect(100, 100, 400, 300), screen), QRect(100, 100, 400, 300));
  // The live graph beside a panel at 200 %: half off the right edge.
  EXPECT_EQ(fitOnScreen(QRect(1200, 50, 800, 600), screen), QRect(800, 50, 800, 600));
  EXPECT_EQ(fitOnScreen(QRect(-30, 900, 200, 300), screen), QRect(0, 700, 200, 300));
  // Larger than the screen: its title bar and left edge stay reachable.
  EXPECT_EQ(fitOnScreen(QRect(500, 500, 2000, 1200), screen), QRect(0, 0, 2000, 1200));
  // A screen area offset from the origin (a panel bar at the top).
  EXPECT_EQ(fitOnScreen(QRect(10, 0, 100, 100), QRect(0, 32, 1600, 968)), QRect(10, 32, 100, 100));
}

TEST(FitOnScreen, AWindowLargerThanTheScreenShrinksToItButNotBelowItsMinimum) {
  const QSize screen(800, 468);  // 1600 x 1000 at 200 %, less a panel bar
  const QSize frame(0, 24);      // a title bar
  // The Plot viewer's designed 10650 x 8865 twips at 200 %.
  EXPECT_EQ(fitSizeOnScreen(QSize(710, 591), frame, screen, QSize(600, 300)), QSize(710, 444));
  EXPECT_EQ(fitSizeOnScreen(QSize(900, 300), frame, screen, QSize(200, 100)), QSize(800, 300));
  // What fits keeps its size, even below its minimum; the minimum wins over the screen.
  EXPECT_EQ(fitSizeOnScreen(QSize(300, 200), frame, screen, QSize(400, 400)), QSize(300, 200));
  EXPECT_EQ(fitSizeOnScreen(QSize(710, 591), frame, screen, QSize(600, 500)), QSize(710, 500));
  EXPECT_EQ(fitSizeOnScreen(QSize(710, 591), frame, QSize(), QSize()), QSize(710, 591));
}

TEST_F(RememberedTest, WindowPlacedOffTheScreenIsMovedBack) {
  auto r = open();
  r->watchWindows();
  QWidget window;
  window.setObjectName(QStringLiteral("RealTimeAll"));
  window.resize(300, 200);
  window.show();
  const QRect available = window.screen()->availableGeometry();
  // Its own placement, right after the show, puts it half past the right edge.
  window.move(available.right() - 100, available.top() + 10);
  QTest::qWait(20);
  EXPECT_TRUE(available.contains(window.frameGeometry()))
      << window.frameGeometry().x() << "," << window.frameGeometry().y();
  EXPECT_EQ(window.frameGeometry().top(), available.top() + 10);
}

// The real file dialogs start in the remembered folder and report where they ended. The dialog
// is answered from a timer, as a user would: its folder is checked, a file in another folder
// chosen.
TEST_F(RememberedTest, FileDialogsStartInTheLastFolderAndReportTheNextOne) {
  const QString start = dir.filePath(QStringLiteral("start"));
  const QString other = dir.filePath(QStringLiteral("other"));
  ASSERT_TRUE(QDir().mkpath(start));
  ASSERT_TRUE(QDir().mkpath(other));
  QtDialogs dialogs;
  dialogs.setStartFolder(start);
  QStringList reported;
  dialogs.folderChosen = [&reported](const QString& f) { reported << f; };

  QStringList shownIn;
  auto answer = [&shownIn](const QString& file) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, file, &shownIn] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!d) return;
      poll->stop();
      poll->deleteLater();
      shownIn << d->directory().absolutePath();
      // Typed into the name box, as a user does: selectFile() of a path in another folder is
      // taken up only after that folder has been read.
      if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(file);
      else
        d->selectFile(file);
      // done() rather than accept(): accept() is ignored while the dialog still reads its folder
      // (a busy machine), and the test would wait for ever.
      static_cast<QDialog*>(d)->done(QDialog::Accepted);
    });
    poll->start(10);
  };
  answer(other + QStringLiteral("/readings.txt"));
  const std::optional<QString> saved = dialogs.saveFileName(QStringLiteral("All Files (*.*)|*.*|"));
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(*saved, other + QStringLiteral("/readings.txt"));
  ASSERT_EQ(shownIn.size(), 1);
  EXPECT_EQ(shownIn[0], QDir(start).absolutePath());
  EXPECT_EQ(reported, QStringList{QDir(other).absolutePath()});

  // The Open dialog that follows starts where the Save As ended.
  answer(other + QStringLiteral("/readings.txt"));
  QFile f(other + QStringLiteral("/readings.txt"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  ASSERT_TRUE(dialogs.openFileName(QStringLiteral("All Files (*.*)|*.*|")).has_value());
  ASSERT_EQ(shownIn.size(), 2);
  EXPECT_EQ(shownIn[1], QDir(other).absolutePath());
}

}  // namespace
}  // namespace lux
