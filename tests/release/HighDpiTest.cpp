// The LCD panel on a high-DPI screen: laid out in twips through the logical DPI, so it keeps the
// meter's proportions, and drawn with as many device pixels as the screen has, so its pictures
// and digits stay sharp. The screen scale is fixed when the application starts, so the check
// runs in child processes of this test binary started with QT_SCALE_FACTOR=2 and 1.5.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>

#include "app/AppState.h"
#include "link/MeterLink.h"
#include "panel/Panel.h"
#include "sim/SimMeter.h"
#include "support/FakeClock.h"
#include "support/MeterRig.h"
#include "support/ScriptedDialogs.h"
#include "ui/Twips.h"

namespace lux {
namespace {

constexpr const char* kChildMark = "LUXPANEL_HIGHDPI_CHILD";

struct PanelOnSimulatedMeter {
  test::MeterRig rig{test::RigOptions{sim::SimMeter::Options{}, false, {}}};
  Panel panel{rig.session, rig.dialogs};
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
  // Nothing on the LCD is cut off by its edge, whatever the DPI makes of the fonts.
  for (QLabel* label : lcd->findChildren<QLabel*>()) {
    SCOPED_TRACE(label->objectName().toStdString());
    EXPECT_TRUE(lcd->rect().contains(label->geometry()))
        << label->geometry().x() << "," << label->geometry().y() << " " << label->geometry().width()
        << "x" << label->geometry().height() << " in " << lcd->width() << "x" << lcd->height();
  }
}

TEST(HighDpi, PanelIsLaidOutInTwipsAtTheLogicalDpi) {
  PanelOnSimulatedMeter bench;
  expectTwipsLayout(bench.panel);
}

// Runs the child check `test` at a screen scale, on the offscreen platform's own screen or on
// one described by `screenConfig` (the platform's JSON); returns its output, empty when it passed.
QString childAtScale(const QString& scale,
                     const QString& test = QStringLiteral("HighDpiChild.PanelAtScale"),
                     const QString& screenConfig = {}) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"),
             screenConfig.isEmpty() ? QStringLiteral("offscreen")
                                    : QStringLiteral("offscreen:configfile=") + screenConfig);
  env.insert(QLatin1String(kChildMark), scale);
  if (!screenConfig.isEmpty())
    env.insert(QStringLiteral("LUXPANEL_SCREEN_1600x1000"), QStringLiteral("1"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + test});
  if (!child.waitForFinished(120000)) return QStringLiteral("the child did not finish");
  const QString output = QString::fromLocal8Bit(child.readAll());
  // The child really ran its check (a skipped check would pass too).
  const bool ran = output.contains(QStringLiteral("[       OK ] ") + test);
  const bool ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && ran;
  return ok ? QString() : output;
}

TEST(HighDpi, PanelAtTwiceTheScreenScaleKeepsItsLayoutAndDrawsSharp) {
  if (qEnvironmentVariableIsSet(kChildMark)) GTEST_SKIP() << "this is the child";
  EXPECT_EQ(childAtScale(QStringLiteral("2")).toStdString(), "");
}

// A 150 % desktop (what QT_FONT_DPI=144 also comes to): pixels are not whole multiples.
TEST(HighDpi, PanelAtOneAndAHalfTheScreenScaleKeepsItsLayoutAndDrawsSharp) {
  if (qEnvironmentVariableIsSet(kChildMark)) GTEST_SKIP() << "this is the child";
  EXPECT_EQ(childAtScale(QStringLiteral("1.5")).toStdString(), "");
}

// A 1600 x 1000 screen at 200 % (800 x 500 for the windows): every window fits on it, and the
// graph viewers' controls keep their room, in English and German.
TEST(HighDpi, EveryWindowFitsA1600By1000ScreenAtTwiceTheScale) {
  if (qEnvironmentVariableIsSet(kChildMark)) GTEST_SKIP() << "this is the child";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString config = dir.filePath(QStringLiteral("screen.json"));
  QFile f(config);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(R"({"screens": [{"name": "Screen1600x1000", "x": 0, "y": 0, "width": 1600,
             "height": 1000, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  f.close();
  EXPECT_EQ(
      childAtScale(QStringLiteral("2"),
                   QStringLiteral("ProgramWindows."
                                  "EveryWindowFitsTheScreenAndTheViewersControlsKeepTheirRoom"),
                   config)
          .toStdString(),
      "");
}

TEST(HighDpiChild, PanelAtScale) {
  if (!qEnvironmentVariableIsSet(kChildMark)) GTEST_SKIP() << "run by the tests above";
  const double scale = qEnvironmentVariable(kChildMark).toDouble();
  ASSERT_GT(scale, 1.0);
  ASSERT_DOUBLE_EQ(qApp->devicePixelRatio(), scale);
  PanelOnSimulatedMeter bench;
  Panel& panel = bench.panel;
  expectTwipsLayout(panel);

  // The annunciator pictures are rendered for the screen's pixels, not scaled up from fewer.
  for (const char* name : {"ImgRel", "ImgAuto", "ImgBt"}) {
    SCOPED_TRACE(name);
    auto* image = qobject_cast<QLabel*>(panel.element(QString::fromLatin1(name)));
    ASSERT_NE(image, nullptr);
    const QPixmap pixmap = image->pixmap();
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), scale);
    EXPECT_EQ(pixmap.size(), image->size() * scale);
  }
  // A picture of the window has `scale` times its logical size in pixels (give or take the
  // rounding of a fractional scale).
  panel.show();
  const QPixmap shot = panel.grab();
  EXPECT_DOUBLE_EQ(shot.devicePixelRatio(), scale);
  EXPECT_NEAR(shot.width(), panel.width() * scale, 1.0);
  EXPECT_NEAR(shot.height(), panel.height() * scale, 1.0);
}

}  // namespace
}  // namespace lux
