// The probe's handles on a running program: the state file follows what the panel shows, the
// start-up recording and its "recorded N" lines match the file record for record, the soak's
// restarts, and the probe's own options leave the program's alone.
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

#include "link/FrameDecoder.h"
#include "panel/Panel.h"
#include "probe/Probe.h"
#include "probe/RecordingDriver.h"
#include "probe/StateFile.h"
#include "records/RecordsFixture.h"
#include "sim/SimMeter.h"
#include "support/MeterRig.h"

namespace lux::test {
namespace {

QMap<QString, QString> readState(const QString& path) {
  QMap<QString, QString> values;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return values;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw);
    const int eq = line.indexOf('=');
    if (eq > 0) values.insert(line.left(eq), line.mid(eq + 1));
  }
  return values;
}

TEST(ProbeStateFile, FollowsTheCaptionTheReadingTheBannerAndTheFrames) {
  MeterRig rig;
  rig.state.link.comPortNumber = 3;
  rig.state.link.portName = "/dev/ttyS2";
  Panel panel(rig.session, rig.dialogs);
  rig.ctx.setPanel(&panel);
  panel.setContext(&rig.ctx);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("state");
  new probe::StateFile(panel, rig.state.display, path);

  rig.meter.setReading(523.4, 1);
  ASSERT_TRUE(panel.startUp());
  rig.session.pollTimer()->stop();
  // The caption is written as the port opens, before any frame.
  EXPECT_EQ(readState(path).value("caption"), "COM3");
  EXPECT_EQ(readState(path).value("frames"), "0");

  rig.session.pollTick();
  auto s = readState(path);
  EXPECT_EQ(s.value("mainValueText"), "523.4");
  EXPECT_EQ(s.value("unitText"), "Lx");
  EXPECT_EQ(s.value("mainDigit5"), "4");
  EXPECT_EQ(s.value("mainDigit2"), "5");
  EXPECT_TRUE(s.contains("mainDigit0"));
  EXPECT_EQ(s.value("mainDigit0"), "");
  EXPECT_EQ(s.value("frames"), "1");
  EXPECT_EQ(s.value("banner"), "");
  EXPECT_EQ(s.value("title"), "Panel  V8.00");

  rig.meter.setAnnunciator(sim::Annunciator::SetUp, true);
  rig.clock.advance(0.25);
  rig.session.pollTick();
  s = readState(path);
  EXPECT_EQ(s.value("banner"), "SET UP");
  EXPECT_EQ(s.value("frames"), "2");
  EXPECT_EQ(s.value("mainValueText"), "523.4");  // the reading under the banner stays

  panel.toggleTitle();
  EXPECT_EQ(readState(path).value("title"), "Panel  V8.00   130108");
}

class ProbeRecording : public RecordsTest {
 protected:
  // Ticks as Timer2 runs them and what the driver said on standard output meanwhile.
  std::string ticksSaying(int n) {
    testing::internal::CaptureStdout();
    tick(n);
    return testing::internal::GetCapturedStdout();
  }
  static int recordLines(const QByteArray& file) {
    return std::max(0, static_cast<int>(file.count("\r\n")) - 1);  // less the header line
  }
};

TEST_F(ProbeRecording, StartsAtTheFirstReadingAndTellsEachRecordOnceItIsInTheFile) {
  const QString file = path("start.txt");
  state.display.mainValueText.clear();
  probe::installRecordingDriver(*ctx, {file, 1, false});
  EXPECT_EQ(ticksSaying(2), "");
  EXPECT_FALSE(state.recording.fileRecording);  // no reading yet

  state.display.mainValueText = "123.4";
  EXPECT_EQ(ticksSaying(1), "recorded 1\n");
  ASSERT_TRUE(state.recording.fileRecording);
  EXPECT_EQ(state.recording.samplingTicks, 1);
  EXPECT_EQ(ticksSaying(2), "recorded 2\nrecorded 3\n");
  EXPECT_EQ(recordLines(readFile(file)), 3);

  // A recording that ends tells nothing more; a new one counts from 1 again.
  state.display.annRel = true;
  EXPECT_EQ(ticksSaying(1), "");
  EXPECT_FALSE(state.recording.fileRecording);
  state.display.annRel = false;
  startRecording(path("again.txt"));
  EXPECT_EQ(ticksSaying(1), "recorded 1\n");
}

TEST_F(ProbeRecording, SoakStartsNumberedSegmentsAndReopensTheLiveList) {
  const QString base = path("soak.tsv");
  probe::installRecordingDriver(*ctx, {base, 1, true});
  std::string said = ticksSaying(2);
  EXPECT_EQ(said, "list opened\nrecorded 1\nrecorded 2\n");
  EXPECT_TRUE(state.recording.listRecording);

  // A mode episode ends the file and the list; back in plain mode both start again.
  state.display.annRef = true;
  ticksSaying(1);
  ASSERT_FALSE(state.recording.fileRecording);
  QCoreApplication::processEvents();
  state.display.annRef = false;
  said = ticksSaying(1);
  EXPECT_NE(said.find("segment " + base.toStdString() + ".1\n"), std::string::npos) << said;
  EXPECT_NE(said.find("recorded 1\n"), std::string::npos) << said;
  EXPECT_TRUE(state.recording.fileRecording);
  EXPECT_EQ(recordLines(readFile(base)), 2);
  EXPECT_EQ(recordLines(readFile(base + ".1")), 1);
}

TEST(ProbeArguments, TakesItsOwnOptionsAndLeavesTheProgramsAlone) {
  probe::ProbeOptions o;
  QStringList args{"luxpanel-probe",         "--simulate", "--screenshot", "/tmp/p.png",
                   "--screenshot-delay=1.5", "--port",     "COM2"};
  QString reason;
  ASSERT_TRUE(probe::takeProbeArguments(args, o, &reason)) << reason.toStdString();
  EXPECT_EQ(args, (QStringList{"luxpanel-probe", "--simulate", "--port", "COM2"}));
  EXPECT_EQ(o.screenshotPath, "/tmp/p.png");
  EXPECT_DOUBLE_EQ(o.screenshotDelay, 1.5);

  for (const QStringList& bad :
       {QStringList{"p", "--screenshot-delay", "-1"}, QStringList{"p", "--screenshot-delay=soon"},
        QStringList{"p", "--screenshot"}}) {
    QStringList a = bad;
    EXPECT_FALSE(probe::takeProbeArguments(a, o, &reason)) << bad.join(' ').toStdString();
    EXPECT_FALSE(reason.isEmpty());
  }
}

}  // namespace
}  // namespace lux::test
