// luxpanel-cli publish as a service runs it: two simulated meters on pseudo-terminals, a
// Mosquitto broker of the test's own, a broker outage, kill -9, and the exit codes a script or
// systemd sees.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include "Broker.h"
#include "publish/engine/Spool.h"
#include "support/SimProcess.h"

namespace {

using lux::test::Broker;
using lux::test::retained;
using lux::test::SimProcess;
using lux::test::Subscriber;
using lux::test::waitFor;

QString cli() {
  return qEnvironmentVariable("LUXPANEL_CLI_BIN");
}
QJsonObject json(const QString& s) {
  return QJsonDocument::fromJson(s.toUtf8()).object();
}

struct Outcome {
  int exitCode = -1;
  QString err;
};

class PublishCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (cli().isEmpty() || qEnvironmentVariable("LUXPANEL_SIM_BIN").isEmpty())
      GTEST_SKIP() << "LUXPANEL_CLI_BIN and LUXPANEL_SIM_BIN name the programs (set by ctest)";
    ASSERT_TRUE(dir_.isValid());
    broker_ = std::make_unique<Broker>(dir_.path());
  }
  void TearDown() override {
    if (publisher_.state() != QProcess::NotRunning) {
      publisher_.kill();
      publisher_.waitForFinished(5000);
    }
  }
  void startMeters() {
    for (const char* name : {"m1", "m2"}) {
      auto sim = std::make_unique<SimProcess>(qEnvironmentVariable("LUXPANEL_SIM_BIN"),
                                              dir_.filePath(name));
      ASSERT_TRUE(sim->start());
      sims_.push_back(std::move(sim));
    }
  }
  QString writeFile(const QString& name, const QByteArray& text, int mode = 0600) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
    return path;
  }
  QStringList meterArgs() {
    return {"publish",
            "--meter",
            "a=" + dir_.filePath("m1"),
            "--meter",
            "b=" + dir_.filePath("m2"),
            "--state-dir",
            dir_.filePath("state")};
  }
  void startPublisher(const QStringList& args) {
    publisher_.setProgram(cli());
    publisher_.setArguments(args);
    publisher_.start();
    ASSERT_TRUE(publisher_.waitForStarted(5000));
  }
  Outcome runToEnd(const QStringList& args, int ms = 20000) {
    QProcess p;
    p.start(cli(), args);
    Outcome r;
    if (!p.waitForFinished(ms)) {
      p.kill();
      p.waitForFinished(2000);
      return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
  }
  // Sequence numbers seen, in order; false in `gapless` when one is skipped after the first.
  static std::vector<qint64> seqs(const QStringList& payloads, bool* gapless) {
    std::vector<qint64> out;
    *gapless = true;
    qint64 next = -1;
    for (const QString& p : payloads) {
      const qint64 s = json(p)["seq"].toInteger();
      out.push_back(s);
      if (next >= 0 && s > next) *gapless = false;
      if (s >= next) next = s + 1;
    }
    return out;
  }

  QTemporaryDir dir_;
  std::unique_ptr<Broker> broker_;
  std::vector<std::unique_ptr<SimProcess>> sims_;
  QProcess publisher_;
};

TEST_F(PublishCli, TwoMetersEveryValueInOrderConvertedAndNumbered) {
  ASSERT_TRUE(broker_->start());
  startMeters();
  const QString log = dir_.filePath("m1.log");
  ASSERT_TRUE(sims_[0]->command("log " + log).startsWith("ok"));
  ASSERT_TRUE(sims_[1]->command("unit fc").startsWith("ok"));
  ASSERT_TRUE(sims_[1]->command("reading 12.34 2").startsWith("ok"));
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "#"));
  startPublisher(meterArgs() + QStringList{"--broker", broker_->url(), "--every", "0"});
  ASSERT_TRUE(waitFor(20, [&] {
    return sub.count("luxpanel/a/reading") >= 12 && sub.count("luxpanel/b/reading") >= 12;
  }));
  ::kill(pid_t(publisher_.processId()), SIGTERM);
  ASSERT_TRUE(publisher_.waitForFinished(10000));
  EXPECT_EQ(publisher_.exitCode(), 0);

  // Meter a: each value it showed, in the order shown, numbered without a gap.
  QFile f(log);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QStringList shown;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (!line.isEmpty()) shown << QString::fromUtf8(line.split('\t').value(1));
  bool gapless = false;
  const QStringList a = sub.payloads("luxpanel/a/reading");
  const auto seqA = seqs(a, &gapless);
  EXPECT_TRUE(gapless);
  EXPECT_EQ(seqA.front(), 1);
  qsizetype at = 0;
  for (const QString& p : a) {
    const QJsonObject r = json(p);
    at = shown.indexOf(r["value"].toString(), at);
    ASSERT_GE(at, 0) << "not shown by the meter, or out of order: " << p.toStdString();
    EXPECT_DOUBLE_EQ(r["lux"].toDouble(), r["value"].toString().toDouble());
    EXPECT_EQ(r["unit"].toString(), "lx");
  }
  // Meter b shows 12.34 fc: 132.8265 lx.
  const QStringList b = sub.payloads("luxpanel/b/reading");
  seqs(b, &gapless);
  EXPECT_TRUE(gapless);
  EXPECT_EQ(json(b.last())["value"].toString(), "12.34");
  EXPECT_EQ(json(b.last())["unit"].toString(), "fc");
  EXPECT_DOUBLE_EQ(json(b.last())["lux"].toDouble(), 132.8265);
  const QString time = json(b.last())["time"].toString();
  EXPECT_TRUE(QDateTime::fromString(time, Qt::ISODateWithMs).isValid()) << time.toStdString();
  EXPECT_EQ(time.size(), 29) << time.toStdString();  // 2026-12-09T22:30:20.123+01:00

  EXPECT_EQ(retained(broker_->port(), "luxpanel/a/state"), "online");
  EXPECT_EQ(json(retained(broker_->port(), "homeassistant/sensor/luxpanel/b/config"))["unique_id"]
                .toString(),
            "luxpanel_luxpanel_b");
  // Ended cleanly: the process's availability says offline.
  const QStringList availability = sub.payloads("luxpanel/publisher/luxpanel-" +
                                                QSysInfo::machineHostName() + "-cli/availability");
  ASSERT_FALSE(availability.isEmpty());
  EXPECT_EQ(availability.first(), "online");
  EXPECT_TRUE(waitFor(5, [&] {
    return sub.payloads("luxpanel/publisher/luxpanel-" + QSysInfo::machineHostName() +
                        "-cli/availability")
               .last() == "offline";
  }));
}

TEST_F(PublishCli, AMeterSilentOrUnpluggedChangesOnlyItsOwnTopics) {
  ASSERT_TRUE(broker_->start());
  startMeters();
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "luxpanel/#"));
  startPublisher(meterArgs() + QStringList{"--broker", broker_->url(), "--every", "0.5"});
  ASSERT_TRUE(waitFor(20, [&] { return sub.count("luxpanel/b/reading") >= 2; }));
  const QDateTime from = QDateTime::currentDateTime();
  ASSERT_TRUE(sims_[1]->command("silence 8").startsWith("ok"));
  EXPECT_TRUE(waitFor(15, [&] { return sub.payloads("luxpanel/b/state").contains("silent"); }));
  EXPECT_TRUE(waitFor(20, [&] { return sub.payloads("luxpanel/b/state").last() == "online"; }));
  sims_[1]->stop();  // the pseudo-terminal vanishes, as an adapter pulled out
  EXPECT_TRUE(waitFor(15, [&] { return sub.payloads("luxpanel/b/state").last() == "unplugged"; }));
  const QDateTime to = QDateTime::currentDateTime();
  waitFor(1, [] { return false; });
  // Meter a published on through all of it: a reading in every second, numbered without a gap.
  bool gapless = false;
  const QStringList a = sub.payloads("luxpanel/a/reading");
  seqs(a, &gapless);
  EXPECT_TRUE(gapless);
  QDateTime previous = from;
  for (const QString& p : a) {
    const QDateTime t = QDateTime::fromString(json(p)["time"].toString(), Qt::ISODateWithMs);
    if (t < from || t > to) continue;
    EXPECT_LE(previous.msecsTo(t), 1500) << "meter a missed its moments before " << p.toStdString();
    previous = t;
  }
  EXPECT_GT(previous.msecsTo(to), -1);
  EXPECT_GE(from.secsTo(previous), from.secsTo(to) - 2);
  EXPECT_EQ(retained(broker_->port(), "luxpanel/a/state"), "online");
}

TEST_F(PublishCli, EveryReadingOfABrokerOutageArrivesAfterwardsWithItsTime) {
  ASSERT_TRUE(broker_->start());
  startMeters();
  // mosquitto_sub comes back by itself after the restart, within a second.
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "luxpanel/+/reading"));
  startPublisher(meterArgs() + QStringList{"--broker", broker_->url(), "--every", "0.5"});
  ASSERT_TRUE(waitFor(20, [&] { return sub.count("luxpanel/a/reading") >= 3; }));

  broker_->stop();
  const QDateTime down = QDateTime::currentDateTime();
  waitFor(10, [] { return false; });  // ten seconds without a broker
  const QDateTime up = QDateTime::currentDateTime();
  ASSERT_TRUE(broker_->restart());
  const QDateTime after = up.addSecs(1);
  ASSERT_TRUE(waitFor(40, [&] {
    for (const char* meter : {"luxpanel/a/reading", "luxpanel/b/reading"}) {
      const QStringList got = sub.payloads(meter);
      if (got.isEmpty() ||
          QDateTime::fromString(json(got.last())["time"].toString(), Qt::ISODateWithMs) <= after)
        return false;
    }
    return true;
  }));
  for (const char* meter : {"luxpanel/a/reading", "luxpanel/b/reading"}) {
    bool gapless = false;
    const QStringList got = sub.payloads(meter);
    const auto s = seqs(got, &gapless);
    EXPECT_TRUE(gapless) << meter;
    EXPECT_EQ(s.front(), 1) << meter;
    int duringOutage = 0;
    for (const QString& p : got) {
      const QDateTime t = QDateTime::fromString(json(p)["time"].toString(), Qt::ISODateWithMs);
      if (t > down.addMSecs(500) && t < up) ++duringOutage;
    }
    // Two a second for ten seconds, give or take the edges.
    EXPECT_GE(duringOutage, 15) << meter;
  }
}

TEST_F(PublishCli, KillNineSaysOfflineAndARestartSendsWhatWaited) {
  ASSERT_TRUE(broker_->start());
  startMeters();
  const QString config =
      writeFile("site.conf", "[broker]\nurl = " + broker_->url().toUtf8() +
                                 "\nkeepalive = 5\nclient-id = lux-kill\n[meter a]\nport = " +
                                 dir_.filePath("m1").toUtf8() + "\nevery = 0.5\n");
  const QStringList args = {"publish", "--config", config, "--state-dir", dir_.filePath("state")};
  const QString availability = "luxpanel/publisher/lux-kill/availability";
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "luxpanel/#"));
  startPublisher(args);
  ASSERT_TRUE(waitFor(20, [&] { return sub.count("luxpanel/a/reading") >= 2; }));
  publisher_.kill();  // SIGKILL
  publisher_.waitForFinished(5000);
  // The broker says it for the dead process within one and a half keepalives.
  EXPECT_TRUE(waitFor(15, [&] {
    const QStringList said = sub.payloads(availability);
    return !said.isEmpty() && said.last() == "offline";
  }));

  // Readings taken while the broker is away, then a kill: the next run sends them first.
  broker_->stop();
  startPublisher(args);
  waitFor(4, [] { return false; });
  publisher_.kill();
  publisher_.waitForFinished(5000);
  ASSERT_TRUE(broker_->restart());
  ASSERT_TRUE(sub.resubscribed());
  const QDateTime restarted = QDateTime::currentDateTime();
  startPublisher(args);
  ASSERT_TRUE(waitFor(20, [&] {
    const QStringList a = sub.payloads("luxpanel/a/reading");
    return QDateTime::fromString(json(a.last())["time"].toString(), Qt::ISODateWithMs) > restarted;
  }));
  bool gapless = false;
  const QStringList got = sub.payloads("luxpanel/a/reading");
  const auto s = seqs(got, &gapless);
  EXPECT_TRUE(gapless);
  EXPECT_EQ(s.front(), 1);
  int spooled = 0;
  for (const QString& p : got)
    if (QDateTime::fromString(json(p)["time"].toString(), Qt::ISODateWithMs) <
        restarted.addSecs(-1))
      ++spooled;
  EXPECT_GE(spooled, 6);  // the first run's and the killed run's (about 3 s at two a second)
}

TEST_F(PublishCli, RefusalsAndMistakesEndWithTheirStatus) {
  // A bad URL is a usage error.
  Outcome r = runToEnd({"publish", "--meter", "a=/dev/null", "--broker", "http://x"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("mqtt://")) << r.err.toStdString();
  r = runToEnd({"publish", "--broker", "mqtt://127.0.0.1:1"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("--meter")) << r.err.toStdString();

  // A password file others can read is refused, with the fix.
  const QString open = writeFile("open-password", "s3cret\n", 0644);
  r = runToEnd({"publish", "--meter", "a=/dev/null", "--user", "lux", "--password-file", open});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("chmod 600 " + open)) << r.err.toStdString();
  // So is a configuration file holding a password.
  const QString conf = writeFile("open.conf", "[broker]\nuser = lux\npassword = s3cret\n", 0644);
  r = runToEnd({"publish", "--meter", "a=/dev/null", "--config", conf});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("chmod 600 " + conf)) << r.err.toStdString();

  // A wrong password ends with 1 and says so; the right one publishes.
  const QString passwords = dir_.filePath("passwd");
  ASSERT_EQ(QProcess::execute("mosquitto_passwd", {"-c", "-b", passwords, "lux", "s3cret"}), 0);
  ASSERT_TRUE(broker_->start({"password_file " + passwords}, false));
  const QString wrong = writeFile("wrong-password", "guess\n");
  r = runToEnd({"publish", "--meter", "a=" + dir_.filePath("none"), "--broker", broker_->url(),
                "--user", "lux", "--password-file", wrong, "--state-dir", dir_.filePath("s1")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("refused")) << r.err.toStdString();
  const QString right = writeFile("password", "s3cret\n");
  startPublisher({"publish", "--meter", "a=" + dir_.filePath("none"), "--broker", broker_->url(),
                  "--user", "lux", "--password-file", right, "--state-dir", dir_.filePath("s2")});
  // A meter that is not there is unplugged; the process itself is online.
  EXPECT_TRUE(waitFor(10, [&] {
    return retained(broker_->port(), "luxpanel/a/state", {"-u", "lux", "-P", "s3cret"}) ==
           "unplugged";
  }));
  EXPECT_EQ(publisher_.state(), QProcess::Running);
}

TEST_F(PublishCli, SigtermEndsWithoutQtComplaintsAndLeavesTheSpoolsWhole) {
  ASSERT_TRUE(broker_->start());
  startMeters();
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "luxpanel/+/reading"));
  // A third meter that is not there keeps its retry timer running until the end.
  const QStringList args = meterArgs() + QStringList{"--meter",  "c=" + dir_.filePath("absent"),
                                                     "--broker", broker_->url(),
                                                     "--every",  "0"};
  for (int round = 1; round <= 3; ++round) {
    const int before = sub.count("luxpanel/a/reading");
    startPublisher(args);
    // Stopped at a different moment of the polls each round.
    ASSERT_TRUE(waitFor(20, [&] { return sub.count("luxpanel/a/reading") >= before + 2; }));
    waitFor(0.1 * round, [] { return false; });
    ::kill(pid_t(publisher_.processId()), SIGTERM);
    ASSERT_TRUE(publisher_.waitForFinished(10000));
    EXPECT_EQ(publisher_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(publisher_.exitCode(), 0);
    const QString err = QString::fromUtf8(publisher_.readAllStandardError());
    EXPECT_FALSE(err.contains("QObject::")) << err.toStdString();
    EXPECT_FALSE(err.contains("Timers cannot")) << err.toStdString();
    EXPECT_FALSE(err.contains("QSocketNotifier")) << err.toStdString();
    EXPECT_FALSE(err.contains("QThread")) << err.toStdString();
    EXPECT_FALSE(err.contains("did not end")) << err.toStdString();
  }
  // The spools are whole: nothing to repair, and the numbering goes on behind every reading
  // the broker got.
  bool gapless = false;
  for (const char* meter : {"a", "b"}) {
    const auto seen =
        seqs(sub.payloads(QStringLiteral("luxpanel/%1/reading").arg(meter)), &gapless);
    ASSERT_FALSE(seen.empty()) << meter;
    EXPECT_TRUE(gapless) << meter;
    lux::publish::Spool spool(dir_.filePath("state"), QString::fromLatin1(meter), 1 << 20);
    QString why;
    ASSERT_TRUE(spool.open(&why)) << why.toStdString();
    EXPECT_EQ(spool.repaired(), 0u) << meter;
    EXPECT_GT(spool.nextSeq(), std::uint64_t(*std::max_element(seen.begin(), seen.end()))) << meter;
  }
}

}  // namespace
