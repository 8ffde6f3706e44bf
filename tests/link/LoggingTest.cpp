// What the link tells the log: quiet by default; switched on, the port lost and found again,
// misframed collections as counts, the wire in hex with times, and failures caught at the one
// exception boundary.
#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QRegularExpression>
#include <stdexcept>
#include <vector>

#include "link/FrameDecoder.h"
#include "link/Logging.h"
#include "support/MeterRig.h"

namespace lux::test {
namespace {

struct Logged {
  QtMsgType type;
  QString category;
  QString text;
};

std::vector<Logged>* capture = nullptr;
QtMessageHandler previous = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const QString category = QString::fromLatin1(context.category ? context.category : "");
  if (capture && category.startsWith(QLatin1String("lux."))) {
    capture->push_back({type, category, text});
    return;
  }
  if (previous) previous(type, context, text);
}

class LinkLog : public ::testing::Test {
 protected:
  void SetUp() override {
    capture = &logged;
    previous = qInstallMessageHandler(captureMessage);
    QLoggingCategory::setFilterRules(QString());
    meter.setReading(412.5, 1);
    rig.state.link.comPortNumber = 3;
    rig.state.link.portName = QStringLiteral("/dev/ttyS2");
  }
  void TearDown() override {
    qInstallMessageHandler(previous);
    capture = nullptr;
    QLoggingCategory::setFilterRules(QString());
  }

  void open() {
    QString reason;
    ASSERT_TRUE(rig.link.openLink(&reason)) << reason.toStdString();
  }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) {
      rig.link.pollTick([this](const QByteArray& f) {
        return decodeFrame(rig.state.display, std::string_view(f.constData(), f.size())) ==
               DecodeResult::Banner;
      });
      rig.clock.advance(0.25);
    }
  }
  // A pulled adapter plugged back in after five seconds, and the poll going on.
  void unplugForFiveSeconds() {
    rig.simPort.unplug();
    const double out = rig.clock.elapsed();
    rig.clock.onIdle = [this, out] {
      if (rig.simPort.unplugged() && rig.clock.elapsed() - out > 5.0) rig.simPort.replug();
    };
    ticks(1);
    rig.clock.onIdle = nullptr;
    ticks(3);
  }
  std::vector<QString> texts(const char* category) const {
    std::vector<QString> out;
    for (const Logged& l : logged)
      if (l.category == QLatin1String(category)) out.push_back(l.text);
    return out;
  }

  MeterRig rig{RigOptions{steadyMeter(), false, {}}};
  sim::SimMeter& meter = rig.meter;
  std::vector<Logged> logged;
};

TEST_F(LinkLog, NothingIsPrintedByDefault) {
  open();
  ticks(4);
  meter.misframeNext(5);
  ticks(3);
  unplugForFiveSeconds();
  runGuarded(lcRecords(), "a step", [] { throw std::runtime_error("disk full"); });
  EXPECT_TRUE(logged.empty()) << logged.front().category.toStdString() << ": "
                              << logged.front().text.toStdString();
}

TEST_F(LinkLog, APortLossAndItsReturnAreLogged) {
  enableVerboseLogging();
  open();
  ticks(3);
  unplugForFiveSeconds();
  const auto link = texts("lux.link");
  ASSERT_GE(link.size(), 4u);
  EXPECT_EQ(link.front(), "port /dev/ttyS2 open at 19200,n,8,1");
  auto has = [&link](const char* text) {
    return std::find(link.begin(), link.end(), QLatin1String(text)) != link.end();
  };
  EXPECT_TRUE(has("lost the meter on /dev/ttyS2; reconnecting"));
  EXPECT_TRUE(has("port /dev/ttyS2 open again"));
  EXPECT_TRUE(has("the meter on /dev/ttyS2 answers again"));
  // Reopening every 0.2 s for five seconds is one loss, not twenty-five lines.
  EXPECT_LE(link.size(), 6u);
  EXPECT_TRUE(texts("lux.link.wire").empty()) << "--verbose leaves the wire trace off";
}

TEST_F(LinkLog, AMisframedBurstIsOneLineWithItsCounts) {
  enableVerboseLogging();
  open();
  ticks(3);
  logged.clear();
  meter.misframeNext(5);
  ticks(3);
  const auto link = texts("lux.link");
  ASSERT_EQ(link.size(), 1u);
  const QRegularExpression counts(
      QStringLiteral("^dropped (\\d+) misframed collection\\(s\\), (\\d+) byte\\(s\\)$"));
  const auto m = counts.match(link.front());
  ASSERT_TRUE(m.hasMatch()) << link.front().toStdString();
  // Five misframed frames on the line reach three 14-byte collections: the input discarded
  // before each collection takes the others.
  EXPECT_EQ(m.captured(1).toInt(), 3);
  EXPECT_EQ(m.captured(2).toInt(), 3 * 14);
  EXPECT_EQ(logged.front().type, QtWarningMsg);

  // Another burst within ten seconds waits for the next report.
  meter.misframeNext(3);
  ticks(3);
  EXPECT_EQ(texts("lux.link").size(), 1u);
}

TEST_F(LinkLog, TheWireTraceShowsEachByteWithItsTime) {
  QLoggingCategory::setFilterRules(QStringLiteral("lux.link.wire=true"));
  open();
  ticks(2);
  const auto wire = texts("lux.link.wire");
  ASSERT_FALSE(wire.empty());
  const QRegularExpression sent(QStringLiteral("^ *\\d+\\.\\d{3} > 41$"));
  const QRegularExpression frame(QStringLiteral("^ *\\d+\\.\\d{3} < 02( [0-9a-f]{2}){12} 03"));
  EXPECT_TRUE(std::any_of(wire.begin(), wire.end(),
                          [&](const QString& t) { return sent.match(t).hasMatch(); }));
  EXPECT_TRUE(std::any_of(wire.begin(), wire.end(),
                          [&](const QString& t) { return frame.match(t).hasMatch(); }));
  EXPECT_TRUE(texts("lux.link").empty()) << "the wire alone was asked for";
}

TEST(ExceptionBoundary, LogsAFailureAndLetsTheProgramCloseQuietly) {
  std::vector<Logged> logged;
  capture = &logged;
  previous = qInstallMessageHandler(captureMessage);
  QLoggingCategory::setFilterRules(QStringLiteral("lux.*=true"));
  EXPECT_FALSE(
      runGuarded(lcRecords(), "saving a list", [] { throw std::runtime_error("disk full"); }));
  EXPECT_FALSE(runGuarded(lcRecords(), "a wait", [] { throw LinkAborted{}; }));
  EXPECT_FALSE(runGuarded(lcRecords(), "a step", [] { throw 42; }));
  bool ran = false;
  EXPECT_TRUE(runGuarded(lcRecords(), "a step", [&ran] { ran = true; }));
  EXPECT_TRUE(ran);
  qInstallMessageHandler(previous);
  capture = nullptr;
  QLoggingCategory::setFilterRules(QString());
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[0].category, "lux.records");
  EXPECT_EQ(logged[0].text, "saving a list failed: disk full");
  EXPECT_EQ(logged[0].type, QtWarningMsg);
  EXPECT_EQ(logged[1].text, "a step failed: an unknown error");
}

}  // namespace
}  // namespace lux::test
