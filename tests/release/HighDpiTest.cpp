// The LCD panel on a high-DPI screen: laid out in twips through the logical DPI, so it keeps the
// meter's proportions, and drawn with as many device pixels as the screen has, so its pictures
// and digits stay sharp. The screen scale is fixed when the application starts, so the check
// runs in a child process of this test binary started with QT_SCALE_FACTOR=2.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <memory>

#include "app/AppState.h"
#include "link/MeterLink.h"
#include "panel/Panel.h"
#include "sim/SimMeter.h"
#include "sim/SimSerialPort.h"
#include "support/FakeClock.h"
#include "support/ScriptedDialogs.h"
#include "ui/Twips.h"

namespace lux {
namespace {

constexpr const char* kChildMark = "LUXPANEL_HIGHDPI_CHILD";

struct PanelOnSimulatedMeter {
  test::FakeClock clock;
  sim::SimMeter meter;
  sim::SimSerialPort port{meter, [this] { return clock.elapsed(); }};
  AppState state;
  MeterLink link{port, clock, state.link};
  test::ScriptedDialogs dialogs;
  Panel panel{state, link, dialogs};
};

// The LCD in twips at the panel's logical DPI, whatever the screen scale.
void expectTwipsLayout(Panel& panel) {
  const double dpiX = panel.logicalDpiX(), dpiY = panel.logicalDpiY();
  QWidget* lcd = panel.findChild<QWidget*>(QStringLiteral("Lcd"));
  ASSERT_NE(lcd, nullptr);
  EXPECT_EQ(lcd->width(), twipsToPixels(Panel::kLcdWidthTwips, dpiX));
  EXPECT_EQ(lcd->height(), twipsToPixels(Panel::kLcdHeightTwips, dpiY));
  // Rows and columns of the picture: (left, top) in twips.
  const struct {
    const char* name;
    int left, top;
  } placed[] = {{"LblComp", 1200, 720},     {"LblRef", 6360, 720}, {"MainDigit0", 795, 1080},
                {"MainDigit5", 5595, 1080}, {"LblLx", 6360, 2160}, {"TimeDigit3", 6045, 3480},
                {"LblCOM", 5040, 4920}};
  for (const auto& p : placed) {
    SCOPED_TRACE(p.name);
    QWidget* w = panel.element(QString::fromLatin1(p.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->x(), twipsToPixels(p.left, dpiX));
    EXPECT_EQ(w->y(), twipsToPixels(p.top, dpiY));
  }
}

TEST(HighDpi, PanelIsLaidOutInTwipsAtTheLogicalDpi) {
  PanelOnSimulatedMeter bench;
  expectTwipsLayout(bench.panel);
}

TEST(HighDpi, PanelAtTwiceTheScreenScaleKeepsItsLayoutAndDrawsSharp) {
  if (qEnvironmentVariableIsSet(kChildMark)) GTEST_SKIP() << "this is the child";
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QLatin1String(kChildMark), QStringLiteral("1"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=HighDpiChild.*")});
  ASSERT_TRUE(child.waitForFinished(120000));
  const QString output = QString::fromLocal8Bit(child.readAll());
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  // The child really ran its check (a skipped check would pass too).
  EXPECT_TRUE(output.contains(QLatin1String("[       OK ] HighDpiChild.PanelAtScaleTwo")))
      << output.toStdString();
}

TEST(HighDpiChild, PanelAtScaleTwo) {
  if (!qEnvironmentVariableIsSet(kChildMark)) GTEST_SKIP() << "run by the test above";
  ASSERT_DOUBLE_EQ(qApp->devicePixelRatio(), 2.0);
  PanelOnSimulatedMeter bench;
  Panel& panel = bench.panel;
  expectTwipsLayout(panel);

  // The annunciator pictures are rendered for the screen's pixels, not scaled up from half.
  for (const char* name : {"ImgRel", "ImgAuto", "ImgBt"}) {
    SCOPED_TRACE(name);
    auto* image = qobject_cast<QLabel*>(panel.element(QString::fromLatin1(name)));
    ASSERT_NE(image, nullptr);
    const QPixmap pixmap = image->pixmap();
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), 2.0);
    EXPECT_EQ(pixmap.size(), image->size() * 2);
  }
  // A picture of the window has twice its logical size in pixels.
  panel.show();
  const QPixmap shot = panel.grab();
  EXPECT_EQ(shot.size(), panel.size() * 2);
  EXPECT_DOUBLE_EQ(shot.devicePixelRatio(), 2.0);
}

}  // namespace
}  // namespace lux
