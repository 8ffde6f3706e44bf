// The real program (as luxpanel-probe, which starts the recording without a Save dialog and
// tells each record it counted) recording from luxpanel-sim over a pseudo-terminal, killed with
// SIGKILL in the middle: the data file holds exactly the records the program had counted, each
// line whole.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>

namespace {

QString binary(const char* env) {
  return qEnvironmentVariable(env);
}

// Reads stdout lines of `p` until `done` says stop or `ms` pass.
bool readLinesUntil(QProcess& p, int ms, const std::function<bool(const QByteArray&)>& done) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    while (p.canReadLine()) {
      if (done(p.readLine().trimmed())) return true;
    }
    p.waitForReadyRead(100);
  }
  return false;
}

class KilledRecording : public ::testing::Test {
 protected:
  void TearDown() override {
    for (QProcess* p : {&panel, &sim}) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
  }
  QProcess sim, panel;
  QTemporaryDir dir;
};

TEST_F(KilledRecording, FileHoldsExactlyTheCountedRecords) {
  const QString panelBin = binary("LUXPANEL_PROBE_BIN");
  const QString simBin = binary("LUXPANEL_SIM_BIN");
  ASSERT_FALSE(panelBin.isEmpty() || simBin.isEmpty())
      << "LUXPANEL_PROBE_BIN / LUXPANEL_SIM_BIN unset";

  sim.start(simBin, {QStringLiteral("--seed"), QStringLiteral("7")});
  ASSERT_TRUE(sim.waitForStarted(10000));
  QString pty;
  ASSERT_TRUE(readLinesUntil(sim, 10000, [&](const QByteArray& line) {
    pty = QString::fromUtf8(line);
    return pty.startsWith('/');
  })) << "luxpanel-sim printed no pty path";

  const QString file = dir.filePath(QStringLiteral("killed.txt"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("LUXPANEL_RECORD_TO"), file);
  env.insert(QStringLiteral("LUXPANEL_SAMPLING"), QStringLiteral("1"));
  panel.setProcessEnvironment(env);
  panel.setProcessChannelMode(QProcess::SeparateChannels);
  panel.start(panelBin, {QStringLiteral("--port"), pty});
  ASSERT_TRUE(panel.waitForStarted(10000));

  // Kill right after the program says it has counted record 6: the next one is a second away.
  long counted = 0;
  const bool reached = readLinesUntil(panel, 60000, [&](const QByteArray& line) {
    if (!line.startsWith("recorded ")) return false;
    counted = line.mid(9).toLong();
    if (counted >= 6) {
      ::kill(static_cast<pid_t>(panel.processId()), SIGKILL);
      return true;
    }
    return false;
  });
  ASSERT_TRUE(reached) << "only " << counted << " record(s) announced; stderr: "
                       << panel.readAllStandardError().toStdString();
  ASSERT_TRUE(panel.waitForFinished(10000));
  EXPECT_EQ(panel.exitStatus(), QProcess::CrashExit);

  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  ASSERT_TRUE(bytes.endsWith("\r\n")) << "a half-written last line";
  QList<QByteArray> lines = bytes.split('\n');
  lines.removeLast();  // after the final LF
  ASSERT_EQ(lines.size(), counted + 1) << bytes.toStdString();
  EXPECT_TRUE(lines[0] == "Lx\tTime\tValue\r" || lines[0] == "Fc\tTime\tValue\r")
      << lines[0].toStdString();
  const QRegularExpression record(
      QStringLiteral("^(\\d+)\\t\\d\\d-\\d\\d:\\d\\d:\\d\\d\\t(\\d+(\\.\\d+)?|OL)\\r$"));
  for (long i = 1; i <= counted; ++i) {
    const QRegularExpressionMatch m = record.match(QString::fromLatin1(lines[i]));
    ASSERT_TRUE(m.hasMatch()) << "line " << i << ": " << lines[i].toStdString();
    EXPECT_EQ(m.captured(1).toLong(), i);
  }
}

}  // namespace
