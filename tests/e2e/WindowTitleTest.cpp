// What the window manager is told to show as the title of the program's windows: exactly the
// window's caption, with nothing of the program's name added. Only a real X display shows
// that, so the test starts its own Xvfb and runs the built program on it.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <functional>

namespace {

class XServer {
 public:
  ~XServer() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.terminate();
    if (!server_.waitForFinished(5000)) {
      server_.kill();
      server_.waitForFinished(5000);
    }
  }

  // Starts Xvfb on a free display; false when it does not come up.
  bool start() {
    // -displayfd 1: the server picks a free display and writes its number to stdout.
    server_.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1600x1000x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
    if (!server_.waitForStarted(5000)) return false;
    QElapsedTimer t;
    t.start();
    while (!server_.canReadLine() && t.elapsed() < 10000) server_.waitForReadyRead(200);
    const QString number = QString::fromLatin1(server_.readLine()).trimmed();
    if (number.isEmpty()) return false;
    display_ = QLatin1Char(':') + number;
    return true;
  }
  QString display() const { return display_; }

  // The names (WM_NAME) of every window on the display.
  QStringList windowNames() const {
    QProcess info;
    info.start(QStringLiteral("xwininfo"), {QStringLiteral("-display"), display_,
                                            QStringLiteral("-root"), QStringLiteral("-tree")});
    if (!info.waitForFinished(5000)) return {};
    QStringList names;
    static const QRegularExpression line(QStringLiteral("^\\s*0x[0-9a-f]+ \"(.*)\": \\("));
    for (const QString& l : QString::fromUtf8(info.readAllStandardOutput()).split('\n')) {
      const QRegularExpressionMatch m = line.match(l);
      if (m.hasMatch()) names << m.captured(1);
    }
    return names;
  }

 private:
  QProcess server_;
  QString display_;
};

class WindowTitles : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = qEnvironmentVariable("LUXPANEL_BIN");
    if (program_.isEmpty()) GTEST_SKIP() << "LUXPANEL_BIN names the program (set by ctest)";
    for (const char* tool : {"Xvfb", "xwininfo"})
      if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
        GTEST_SKIP() << tool << " is not installed (packages xvfb, x11-utils)";
    ASSERT_TRUE(x_.start());
  }
  void TearDown() override {
    if (panel_.state() == QProcess::NotRunning) return;
    panel_.terminate();
    if (!panel_.waitForFinished(5000)) {
      panel_.kill();
      panel_.waitForFinished(5000);
    }
  }

  void run(const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x_.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    panel_.setProcessEnvironment(env);
    panel_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    panel_.start(program_, args);
    ASSERT_TRUE(panel_.waitForStarted(5000));
  }

  // Waits until some window's name starts with `caption`, then returns every such name.
  QStringList namesStartingWith(const QString& caption) {
    QElapsedTimer t;
    t.start();
    QStringList found;
    while (t.elapsed() < 20000 && panel_.state() == QProcess::Running) {
      found = x_.windowNames().filter(
          QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(caption)));
      if (!found.isEmpty()) return found;
      QThread::msleep(100);
    }
    return found;
  }

  QString program_;
  XServer x_;
  QProcess panel_;
};

TEST_F(WindowTitles, ThePortWindowIsTitledExactlyComPort) {
  run({});
  const QStringList names = namesStartingWith(QStringLiteral("COM Port"));
  ASSERT_FALSE(names.isEmpty()) << "no port window appeared";
  for (const QString& name : names) EXPECT_EQ(name.toStdString(), "COM Port");
}

TEST_F(WindowTitles, ThePanelIsTitledExactlyWithItsVersion) {
  run({QStringLiteral("--simulate")});
  const QStringList names = namesStartingWith(QStringLiteral("Panel"));
  ASSERT_FALSE(names.isEmpty()) << "no panel appeared";
  for (const QString& name : names) EXPECT_EQ(name.toStdString(), "Panel  V8.00");
}

}  // namespace
