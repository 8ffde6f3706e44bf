// luxpanel-cli as a script runs it, on the pseudo-terminal of luxpanel-sim: the bytes of the
// files it writes, its exit codes and what it says on stderr.
#include <gtest/gtest.h>
#include <signal.h>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <map>
#include <vector>

#include "support/SimProcess.h"

namespace {

using lux::test::eventually;
using lux::test::SimProcess;

QString cliBinary() {
  return qEnvironmentVariable("LUXPANEL_CLI_BIN");
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A file's lines without their CR LF; false in `allCrLf` when a line ends otherwise (or the
// file ends inside a line).
QList<QByteArray> crlfLines(const QByteArray& bytes, bool* allCrLf) {
  *allCrLf = bytes.endsWith("\r\n");
  QList<QByteArray> lines = bytes.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (QByteArray& l : lines) {
    if (!l.endsWith('\r')) *allCrLf = false;
    l.chop(l.endsWith('\r') ? 1 : 0);
  }
  return lines;
}

struct Outcome {
  int exitCode = -1;
  QByteArray out, err;
  bool finished = false;
};

class CliEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (cliBinary().isEmpty() || qEnvironmentVariable("LUXPANEL_SIM_BIN").isEmpty())
      GTEST_SKIP() << "LUXPANEL_CLI_BIN and LUXPANEL_SIM_BIN name the programs (set by ctest)";
    ASSERT_TRUE(dir_.isValid());
    sim_ = std::make_unique<SimProcess>(qEnvironmentVariable("LUXPANEL_SIM_BIN"),
                                        dir_.filePath("meter"));
    ASSERT_TRUE(sim_->start());
  }
  void TearDown() override {
    if (cli_.state() != QProcess::NotRunning) {
      cli_.kill();
      cli_.waitForFinished(5000);
    }
  }

  Outcome run(const QStringList& args, int timeoutMs = 30000) {
    QProcess p;
    p.start(cliBinary(), args);
    Outcome r;
    if (!p.waitForStarted(5000)) return r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
      p.kill();
      p.waitForFinished(2000);
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
  }

  void startCli(const QStringList& args) {
    cli_.start(cliBinary(), args);
    ASSERT_TRUE(cli_.waitForStarted(5000));
  }
  Outcome finishCli(int timeoutMs) {
    Outcome r;
    r.finished = cli_.waitForFinished(timeoutMs);
    r.exitCode = cli_.exitStatus() == QProcess::NormalExit ? cli_.exitCode() : -1;
    r.out = cli_.readAllStandardOutput();
    r.err = cli_.readAllStandardError();
    return r;
  }
  // Records in `path` so far (lines after the header).
  int recordsIn(const QString& path) {
    const QByteArray b = readFile(path);
    return std::max<int>(0, static_cast<int>(b.count('\n')) - 1);
  }
  QStringList port() const { return {"--port", sim_->portPath()}; }
  QString file(const char* name) const { return dir_.filePath(name); }

  QTemporaryDir dir_;
  std::unique_ptr<SimProcess> sim_;
  QProcess cli_;
};

const QRegularExpression kTsvRecord(R"(^(\d+)\t(\d\d)-(\d\d):(\d\d):(\d\d)\t([0-9.]+|OL)$)");
const QRegularExpression kCsvRecord(
    R"(^(\d+),(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d),(-?[0-9.]+|OL),(Lx|Fc|),([^,"]*)$)");

int secondOfDay(const QRegularExpressionMatch& m) {
  return m.captured(3).toInt() * 3600 + m.captured(4).toInt() * 60 + m.captured(5).toInt();
}

TEST_F(CliEndToEnd, TsvRecordingIsThePanelsDataFile) {
  ASSERT_TRUE(sim_->command("reading 321.9 1").startsWith("ok"));
  const QString path = file("rec.tsv");
  const Outcome r = run(QStringList{"record", "--every", "1", "--count", "3", path} + port());
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(r.out.isEmpty()) << "data go to the file, messages to stderr";
  EXPECT_TRUE(r.err.contains("Recorded 3 record(s)")) << r.err.constData();

  bool crlf = false;
  const QList<QByteArray> lines = crlfLines(readFile(path), &crlf);
  EXPECT_TRUE(crlf);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], "Lx\tTime\tValue");
  int previous = -1;
  for (int i = 1; i < lines.size(); ++i) {
    const auto m = kTsvRecord.match(QString::fromLatin1(lines[i]));
    ASSERT_TRUE(m.hasMatch()) << lines[i].constData();
    EXPECT_EQ(m.captured(1).toInt(), i);
    EXPECT_EQ(m.captured(2).toInt(), QDate::currentDate().day());
    EXPECT_EQ(m.captured(6), "321.9");
    if (previous >= 0) {
      EXPECT_EQ((secondOfDay(m) - previous + 86400) % 86400, 1);
    }
    previous = secondOfDay(m);
  }
}

TEST_F(CliEndToEnd, CsvRecordingCarriesOnAcrossUnitsAndModes) {
  ASSERT_TRUE(sim_->command("reading 48.5 1").startsWith("ok"));
  const QString path = file("rec.csv");
  startCli(QStringList{"record", "--every", "1", "--count", "5", "--format", "csv", path} + port());
  ASSERT_TRUE(eventually(10, [&] { return recordsIn(path) >= 2; }));
  ASSERT_TRUE(sim_->command("unit fc").startsWith("ok"));
  ASSERT_TRUE(sim_->command("mode rel").startsWith("ok"));
  const Outcome r = finishCli(20000);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();

  bool crlf = false;
  const QList<QByteArray> lines = crlfLines(readFile(path), &crlf);
  EXPECT_TRUE(crlf);
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[0], "number,time,value,unit,modes");
  QStringList units, modes;
  QDateTime previous;
  for (int i = 1; i < lines.size(); ++i) {
    const auto m = kCsvRecord.match(QString::fromLatin1(lines[i]));
    ASSERT_TRUE(m.hasMatch()) << lines[i].constData();
    EXPECT_EQ(m.captured(1).toInt(), i);
    const QDateTime t = QDateTime::fromString(m.captured(2), Qt::ISODateWithMs);
    ASSERT_TRUE(t.isValid()) << qPrintable(m.captured(2));
    EXPECT_LT(std::abs(t.secsTo(QDateTime::currentDateTime())), 60);
    if (previous.isValid()) {
      EXPECT_NEAR(previous.msecsTo(t), 1000, 300);
    }
    previous = t;
    units << m.captured(4);
    modes << m.captured(5);
  }
  EXPECT_EQ(units.first(), "Lx");
  EXPECT_EQ(units.last(), "Fc") << "the unit column follows the meter";
  EXPECT_TRUE(modes.last().split(' ').contains("REL")) << qPrintable(modes.last());
  EXPECT_FALSE(modes.first().split(' ').contains("REL"));
}

TEST_F(CliEndToEnd, TsvRecordingEndsOnAUnitChangeAsThePanelsDoes) {
  const QString path = file("unit.tsv");
  startCli(QStringList{"record", "--every", "1", path} + port());
  ASSERT_TRUE(eventually(10, [&] { return recordsIn(path) >= 2; }));
  ASSERT_TRUE(sim_->command("unit fc").startsWith("ok"));
  const Outcome r = finishCli(10000);
  ASSERT_TRUE(r.finished) << "the recording ends by itself";
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.err.contains("unit changed from Lx to Fc")) << r.err.constData();
  bool crlf = false;
  const QList<QByteArray> lines = crlfLines(readFile(path), &crlf);
  EXPECT_TRUE(crlf);
  EXPECT_EQ(lines[0], "Lx\tTime\tValue");
  for (int i = 1; i < lines.size(); ++i)
    EXPECT_TRUE(kTsvRecord.match(QString::fromLatin1(lines[i])).hasMatch());
}

TEST_F(CliEndToEnd, ASilentMeterWritesNoInventedReadings) {
  ASSERT_TRUE(sim_->command("reading 777.0 1").startsWith("ok"));
  const QString path = file("silent.tsv");
  startCli(QStringList{"record", "--every", "1", "--for", "10s", path} + port());
  ASSERT_TRUE(eventually(10, [&] { return recordsIn(path) >= 2; }));
  ASSERT_TRUE(sim_->command("silence 4").startsWith("ok"));
  const Outcome r = finishCli(30000);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(r.err.contains("no reading from the meter")) << r.err.constData();
  EXPECT_TRUE(r.err.contains("readings again")) << r.err.constData();

  bool crlf = false;
  const QList<QByteArray> lines = crlfLines(readFile(path), &crlf);
  EXPECT_TRUE(crlf);
  // Ten sampling moments, of which those in the silence wrote nothing.
  EXPECT_LE(lines.size() - 1, 7);
  EXPECT_GE(lines.size() - 1, 3);
  int largestGap = 0, previous = -1;
  for (int i = 1; i < lines.size(); ++i) {
    const auto m = kTsvRecord.match(QString::fromLatin1(lines[i]));
    ASSERT_TRUE(m.hasMatch()) << lines[i].constData();
    EXPECT_EQ(m.captured(1).toInt(), i) << "numbering goes on with the next real record";
    if (previous >= 0)
      largestGap = std::max(largestGap, (secondOfDay(m) - previous + 86400) % 86400);
    previous = secondOfDay(m);
  }
  EXPECT_GE(largestGap, 3) << "the gap in the stamps shows the outage";
  const QRegularExpression summary(
      R"(Recorded (\d+) record\(s\).*; (\d+) sampling moment\(s\) had no reading)");
  const auto m = summary.match(QString::fromLocal8Bit(r.err));
  ASSERT_TRUE(m.hasMatch()) << r.err.constData();
  EXPECT_EQ(m.captured(1).toInt(), lines.size() - 1);
  EXPECT_GE(m.captured(2).toInt(), 3);
}

TEST_F(CliEndToEnd, SigtermEndsAfterAWholeLineWithASummary) {
  for (const char* format : {"tsv", "csv"}) {
    SCOPED_TRACE(format);
    const QString path = file(format);
    startCli(QStringList{"record", "--every", "1", "--format", format, path} + port());
    ASSERT_TRUE(eventually(10, [&] { return recordsIn(path) >= 3; }));
    ::kill(static_cast<pid_t>(cli_.processId()), SIGTERM);
    const Outcome r = finishCli(5000);
    ASSERT_TRUE(r.finished) << "SIGTERM ends the recording";
    EXPECT_EQ(r.exitCode, 0);
    bool crlf = false;
    const QList<QByteArray> lines = crlfLines(readFile(path), &crlf);
    EXPECT_TRUE(crlf) << "the file ends with a whole line";
    const QRegularExpression& record = QByteArray(format) == "tsv" ? kTsvRecord : kCsvRecord;
    for (int i = 1; i < lines.size(); ++i)
      EXPECT_TRUE(record.match(QString::fromLatin1(lines[i])).hasMatch()) << lines[i].constData();
    EXPECT_TRUE(
        r.err.contains(QStringLiteral("Recorded %1 record(s)").arg(lines.size() - 1).toUtf8()))
        << r.err.constData();
    EXPECT_TRUE(r.err.contains("SIGTERM"));
  }
}

TEST_F(CliEndToEnd, AFileThatExistsIsKeptWithoutForce) {
  const QString path = file("kept.tsv");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("precious\r\n");
  }
  Outcome r = run(QStringList{"record", "--every", "1", "--count", "1", path} + port());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("--force")) << r.err.constData();
  EXPECT_EQ(readFile(path), "precious\r\n");
  r = run(QStringList{"record", "--every", "1", "--count", "1", "--force", path} + port());
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(readFile(path).startsWith("Lx\tTime\tValue\r\n1\t"));
}

TEST_F(CliEndToEnd, PortNamesAndASilentMeter) {
  Outcome r = run({"read", "--port", "com3"});
  EXPECT_EQ(r.exitCode, 2) << "names are exact: com3 is no port";
  EXPECT_TRUE(r.err.contains("com3")) << r.err.constData();
  r = run({"read", "--port", dir_.filePath("no-such-tty")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("cannot open")) << r.err.constData();
  EXPECT_TRUE(r.out.isEmpty());
  r = run({"read"});
  EXPECT_EQ(r.exitCode, 2) << "a meter must be named";
  r = run({"record", "--every", "0", "x.tsv", "--simulate"});
  EXPECT_EQ(r.exitCode, 2);

  ASSERT_TRUE(sim_->command("silence 8").startsWith("ok"));
  QElapsedTimer t;
  t.start();
  r = run(QStringList{"read"} + port());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("does not answer")) << r.err.constData();
  EXPECT_LT(t.elapsed(), 6000) << "given up after about 3 s";
}

TEST_F(CliEndToEnd, ReadShowsTheReadingAsThePanelDoes) {
  ASSERT_TRUE(sim_->command("reading 1234.5 1").startsWith("ok"));
  ASSERT_TRUE(sim_->command("mode comp").startsWith("ok"));
  Outcome r = run(QStringList{"read", "--json"} + port());
  ASSERT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(r.out.contains(R"("value":"1234.5")")) << r.out.constData();
  EXPECT_TRUE(r.out.contains(R"("unit":"Lx")")) << r.out.constData();
  EXPECT_TRUE(r.out.contains(R"("COMP")")) << r.out.constData();
  ASSERT_TRUE(sim_->command("overload on").startsWith("ok"));
  ASSERT_TRUE(sim_->command("mode off").startsWith("ok"));
  r = run(QStringList{"read"} + port());
  ASSERT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(r.out.startsWith("OL Lx")) << r.out.constData();
}

TEST_F(CliEndToEnd, RecordToStandardOutputStreamsOneJsonObjectPerReading) {
  ASSERT_TRUE(sim_->command("reading 321.9 1").startsWith("ok"));
  const Outcome r = run(QStringList{"record", "-", "--every", "1", "--count", "3"} + port());
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(r.err.contains("Recorded 3 record(s) into the standard output")) << r.err.constData();
  const QList<QByteArray> lines = r.out.split('\n');
  ASSERT_EQ(lines.size(), 4) << r.out.constData();
  EXPECT_TRUE(lines.last().isEmpty());
  for (int i = 0; i < 3; ++i) {
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(lines[i], &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << lines[i].constData();
    EXPECT_EQ(o.value("sequence").toInt(), i + 1);
    EXPECT_DOUBLE_EQ(o.value("value").toDouble(), 321.9);
    EXPECT_EQ(o.value("text").toString(), "321.9");
    EXPECT_EQ(o.value("unit").toString(), "Lx");
    EXPECT_FALSE(o.value("overload").toBool());
    EXPECT_TRUE(o.value("modes").isArray());
    EXPECT_TRUE(QDateTime::fromString(o.value("time").toString(), Qt::ISODateWithMs).isValid());
  }
  // A file does not take its format from a dash: tsv to the terminal is refused.
  const Outcome tsv = run(QStringList{"record", "-", "--every", "1", "--format", "tsv"} + port());
  EXPECT_EQ(tsv.exitCode, 2);
  EXPECT_TRUE(tsv.out.isEmpty());
}

TEST_F(CliEndToEnd, TimeoutBoundsTheWaitForASilentMeter) {
  ASSERT_TRUE(sim_->command("silence 20").startsWith("ok"));
  QElapsedTimer t;
  t.start();
  Outcome r = run(QStringList{"read", "--timeout", "1.5"} + port());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("within 1.5 s")) << r.err.constData();
  EXPECT_LT(t.elapsed(), 5000);
  r = run(QStringList{"record", "--every", "1", "--count", "3", "--timeout", "1", file("t.csv"),
                      "--format", "csv"} +
          port());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("within 1 s")) << r.err.constData();
  r = run(QStringList{"read", "--timeout", "soon"} + port());
  EXPECT_EQ(r.exitCode, 2);
}

// The sets as the simulated meter holds them.
struct SimSet {
  QString start;  // DD-hh:nn:ss
  int interval = 0;
  std::vector<std::pair<int, int>> records;  // value, range byte
};

std::vector<SimSet> loggerSets(SimProcess& sim, const QString& path) {
  std::vector<SimSet> sets;
  if (!sim.command("logger-sets " + path).startsWith("ok")) return sets;
  const QList<QByteArray> lines = readFile(path).split('\n');
  for (const QByteArray& line : lines) {
    const QList<QByteArray> f = line.split(' ');
    if (f.size() == 5 && f[0] == "set") {
      sets.push_back({QString::fromLatin1(f[2]), f[3].toInt(), {}});
    } else if (f.size() == 2 && !sets.empty()) {
      sets.back().records.emplace_back(f[0].toInt(), f[1].toInt());
    }
  }
  return sets;
}

// The lux text of a record whose range byte has bit 3 set (the simulated meter's tenths).
QString tenthsLux(int value) {
  return QStringLiteral("%1.%2").arg(value / 10).arg(value % 10);
}

// "DD-hh:nn:ss" of the record `offset` seconds after the set's start, in this month.
QString labelAfter(const QString& start, int offset) {
  const QDate today = QDate::currentDate();
  const QDateTime t0(QDate(today.year(), today.month(), start.left(2).toInt()),
                     QTime::fromString(start.mid(3), "HH:mm:ss"));
  return t0.addSecs(offset).toString("dd-HH:mm:ss");
}

void expectSetFilesMatch(const QString& dir, const std::vector<SimSet>& sets) {
  const QStringList names = QDir(dir).entryList({"set-*.tsv"}, QDir::Files, QDir::Name);
  ASSERT_EQ(names.size(), static_cast<qsizetype>(sets.size()));
  for (std::size_t k = 0; k < sets.size(); ++k) {
    const SimSet& set = sets[k];
    SCOPED_TRACE(k + 1);
    QString expectedName = QStringLiteral("set-%1_%2.tsv")
                               .arg(k + 1, 2, 10, QLatin1Char('0'))
                               .arg(QString(set.start).replace(':', '-'));
    ASSERT_EQ(names[static_cast<qsizetype>(k)], expectedName);
    bool crlf = false;
    const QList<QByteArray> lines = crlfLines(readFile(QDir(dir).filePath(expectedName)), &crlf);
    EXPECT_TRUE(crlf);
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(set.records.size() + 1));
    EXPECT_EQ(lines[0], "Lx\tTime\tValue\t");
    for (std::size_t n = 1; n <= set.records.size(); ++n) {
      ASSERT_EQ(set.records[n - 1].second, 0x08) << "this check reads tenths of lux";
      const QString expected =
          QStringLiteral("%1\t%2\t%3\t")
              .arg(n)
              .arg(labelAfter(set.start, static_cast<int>(n - 1) * set.interval))
              .arg(tenthsLux(set.records[n - 1].first));
      if (QString::fromLatin1(lines[static_cast<qsizetype>(n)]) != expected) {
        ADD_FAILURE() << "record " << n << ": " << lines[static_cast<qsizetype>(n)].constData()
                      << " instead of " << qPrintable(expected);
        return;
      }
    }
  }
}

TEST_F(CliEndToEnd, DownloadWritesEachPreloadedSetAsTheDataListSavesIt) {
  ASSERT_TRUE(sim_->command("preload-logger 4 7").startsWith("ok"));
  const auto sets = loggerSets(*sim_, file("sets.txt"));
  ASSERT_EQ(sets.size(), 4u);
  const QString out = file("memory");
  const Outcome r = run(QStringList{"download", out} + port());
  ASSERT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(r.err.contains("100% Completed")) << "plain percentages when stderr is no terminal";
  EXPECT_FALSE(r.err.contains("damaged"));
  expectSetFilesMatch(out, sets);

  // csv: one column per unit.
  const Outcome c = run(QStringList{"download", "--format", "csv", out} + port());
  ASSERT_EQ(c.exitCode, 0) << c.err.constData();
  const QString name =
      QStringLiteral("set-01_%1.csv").arg(QString(sets[0].start).replace(':', '-'));
  bool crlf = false;
  const QList<QByteArray> lines = crlfLines(readFile(QDir(out).filePath(name)), &crlf);
  EXPECT_TRUE(crlf);
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[0], "number,time,Lx,Fc,date");
  const QList<QByteArray> f = lines[1].split(',');
  ASSERT_EQ(f.size(), 5);
  EXPECT_EQ(f[0], "1");
  const QDateTime when = QDateTime::fromString(QString::fromLatin1(f[1]), Qt::ISODate);
  ASSERT_TRUE(when.isValid()) << f[1].constData();
  EXPECT_LE(when.date(), QDate::currentDate()) << "never dated after the download";
  EXPECT_EQ(f[4], "inferred") << "the year and month are not the meter's";
  EXPECT_EQ(QString::fromLatin1(f[2]), tenthsLux(sets[0].records[0].first));
  EXPECT_NEAR(f[3].toDouble(), sets[0].records[0].first / 10.0 * 0.0929, 0.006);

  // The files are there now: a second download keeps them.
  const Outcome again = run(QStringList{"download", out} + port());
  EXPECT_EQ(again.exitCode, 2);
}

TEST_F(CliEndToEnd, DownloadOfAFullMemory) {
  ASSERT_TRUE(sim_->command("fill-logger 3").startsWith("ok"));
  const auto sets = loggerSets(*sim_, file("sets.txt"));
  ASSERT_EQ(sets.size(), 3u);
  const QString out = file("full");
  const Outcome r = run(QStringList{"download", out} + port(), 60000);
  ASSERT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(r.err.contains("(129808 of 129808 bytes)")) << r.err.constData();
  expectSetFilesMatch(out, sets);
}

TEST_F(CliEndToEnd, AnIncompleteDumpWritesNothingAndFails) {
  ASSERT_TRUE(sim_->command("preload-logger 2 50").startsWith("ok"));
  ASSERT_TRUE(sim_->command("truncate-dump 120").startsWith("ok"));
  const QString out = file("cut");
  const Outcome r = run(QStringList{"download", out} + port());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("stopped sending: 120 of")) << r.err.constData();
  EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
}

TEST_F(CliEndToEnd, EraseOnlyWithYes) {
  ASSERT_TRUE(sim_->command("preload-logger 2 3").startsWith("ok"));
  Outcome r = run(QStringList{"erase"} + port());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(sim_->command("status").contains("sets 2"));
  r = run(QStringList{"erase", "--yes"} + port());
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(sim_->command("status").contains("address 1279")) << "the memory is empty";
  r = run(QStringList{"download", file("none")} + port());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.err.contains("No Data in Memory"));
}

TEST_F(CliEndToEnd, ClockSetsTheMeterToThePcsTime) {
  const Outcome r = run(QStringList{"clock", "--set"} + port());
  ASSERT_EQ(r.exitCode, 0) << r.err.constData();
  const QRegularExpression line(
      R"(meter  (\d\d) (\d\d):(\d\d):(\d\d)\npc     (\d\d) (\d\d):(\d\d):(\d\d)\n)");
  const auto m = line.match(QString::fromLatin1(r.out));
  ASSERT_TRUE(m.hasMatch()) << r.out.constData();
  EXPECT_EQ(m.captured(1), m.captured(5));
  const int meter =
      m.captured(2).toInt() * 3600 + m.captured(3).toInt() * 60 + m.captured(4).toInt();
  const int pc = m.captured(6).toInt() * 3600 + m.captured(7).toInt() * 60 + m.captured(8).toInt();
  EXPECT_LE(std::abs(pc - meter), 1);
}

TEST_F(CliEndToEnd, SighupEndsARecordingLikeSigterm) {
  const QString path = file("hup.tsv");
  startCli(QStringList{"record", "--every", "1", path} + port());
  ASSERT_TRUE(eventually(10, [&] { return recordsIn(path) >= 2; }));
  ::kill(static_cast<pid_t>(cli_.processId()), SIGHUP);
  const Outcome r = finishCli(5000);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << "ended by its own hand, not killed by the signal";
  bool crlf = false;
  const QList<QByteArray> lines = crlfLines(readFile(path), &crlf);
  EXPECT_TRUE(crlf) << "the file ends with a whole line";
  EXPECT_TRUE(
      r.err.contains(QStringLiteral("Recorded %1 record(s)").arg(lines.size() - 1).toUtf8()))
      << r.err.constData();
  EXPECT_TRUE(r.err.contains("SIGHUP")) << r.err.constData();
}

TEST_F(CliEndToEnd, AFailedStartLeavesNoFileSoTheNextRunNeedsNoForce) {
  const QString path = file("survey.csv");
  ASSERT_TRUE(sim_->command("silence 30").startsWith("ok"));
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    const Outcome r =
        this->run(QStringList{"record", "--every", "1", "--format", "csv", path} + port());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("does not answer")) << r.err.constData();
    EXPECT_FALSE(r.err.contains("--force")) << r.err.constData();
    EXPECT_FALSE(QFileInfo::exists(path));
  }
  // Ctrl+C while it waits for the first reading.
  startCli(QStringList{"record", "--every", "1", path} + port());
  QThread::msleep(800);
  ::kill(static_cast<pid_t>(cli_.processId()), SIGINT);
  const Outcome r = finishCli(5000);
  ASSERT_TRUE(r.finished);
  EXPECT_TRUE(r.err.contains("Recorded 0 record(s)")) << r.err.constData();
  EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(CliEndToEnd, SetUpIsSaidAsSuchAndCsvRecordsFromTheFirstReadingAfterIt) {
  ASSERT_TRUE(sim_->command("reading 250.0 1").startsWith("ok"));
  ASSERT_TRUE(sim_->command("mode setup").startsWith("ok"));
  Outcome r = run(QStringList{"read"} + port());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("shows SET UP")) << r.err.constData();
  EXPECT_FALSE(r.err.contains("does not answer")) << r.err.constData();

  const QString path = file("setup.csv");
  startCli(QStringList{"record", "--every", "1", "--count", "2", "--format", "csv", path} + port());
  QThread::msleep(4500);
  EXPECT_EQ(recordsIn(path), 0) << "nothing recorded while the banner shows";
  ASSERT_TRUE(sim_->command("mode off").startsWith("ok"));
  r = finishCli(15000);
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(r.err.contains("shows SET UP")) << r.err.constData();
  bool crlf = false;
  const QList<QByteArray> lines = crlfLines(readFile(path), &crlf);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[1].startsWith("1,")) << lines[1].constData();
  EXPECT_TRUE(lines[1].contains(",250.0,Lx,")) << lines[1].constData();
}

TEST_F(CliEndToEnd, QuietDownloadSaysNothingWhenAllIsWell) {
  ASSERT_TRUE(sim_->command("preload-logger 2 3").startsWith("ok"));
  const QString out = file("cron");
  const QString raw = file("cron.dump");
  const Outcome r = run(QStringList{"download", "--quiet", "--raw", raw, out} + port());
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
  EXPECT_EQ(QDir(out).entryList({"set-*.tsv"}, QDir::Files).size(), 2);
  // 15 lead bytes, two sets of 10 + 3 x 3 bytes, one trailing byte.
  EXPECT_EQ(readFile(raw).size(), 15 + 2 * 19 + 1);

  // The cron recipe's second half: quiet too when all is well.
  const Outcome erased = run(QStringList{"erase", "--yes", "--quiet"} + port());
  EXPECT_EQ(erased.exitCode, 0) << erased.err.constData();
  EXPECT_TRUE(erased.out.isEmpty() && erased.err.isEmpty()) << erased.err.constData();
  EXPECT_TRUE(sim_->command("status").contains("address 1279")) << "the memory is empty";

  const Outcome help = run({"download", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("3 the set files were written but the dump holds damaged sets"))
      << help.out.constData();
  EXPECT_TRUE(help.out.contains("--raw")) << help.out.constData();
  EXPECT_TRUE(help.out.contains("--quiet")) << help.out.constData();
}

// The shipped texts that scripts and services are built from.
TEST(CliDocuments, TheManualTheReadmeAndTheUnitSayWhatTheProgramDoes) {
  const QString source = qEnvironmentVariable("LUXPANEL_SOURCE_DIR");
  if (source.isEmpty()) GTEST_SKIP() << "LUXPANEL_SOURCE_DIR names the source tree (set by ctest)";
  const QByteArray unit = readFile(source + "/docs/luxpanel-survey.service");
  ASSERT_FALSE(unit.isEmpty());
  const QRegularExpression after(R"(^After=.*\btime-sync\.target\b)",
                                 QRegularExpression::MultilineOption);
  EXPECT_TRUE(after.match(QString::fromUtf8(unit)).hasMatch()) << unit.constData();
  const QByteArray man = readFile(source + "/packaging/luxpanel-cli.1");
  const QByteArray readme = readFile(source + "/README.md");
  for (const QByteArray& text : {man, readme}) {
    EXPECT_TRUE(text.contains("--raw")) << "the dump as it came";
    EXPECT_TRUE(text.contains("--quiet"));
    EXPECT_TRUE(text.contains("damaged")) << "exit status 3";
  }
  EXPECT_TRUE(man.contains(".B 3\n")) << "the exit status list names 3";
  EXPECT_TRUE(man.contains("SIGHUP"));
}

}  // namespace
