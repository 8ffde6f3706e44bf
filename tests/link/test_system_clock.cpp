// The PC's own clock across a real local midnight: its seconds since midnight run up to 86400
// and start again at 0 when the local day changes, in step with its local date and time. The
// time zone is made up so that local midnight comes a few seconds after the start, and the
// check runs in a child process of this test binary, which reads that zone when it starts.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstdlib>

#include "link/SystemClock.h"

namespace lux {
namespace {

constexpr const char* kChildMark = "LUXPANEL_MIDNIGHT_CHILD";
constexpr const char* kChildTest = "SystemClockChild.SecondsSinceMidnightWrapAtLocalMidnight";

// A POSIX time zone whose local time of day is `localSeconds` at the UTC moment `utcMs`.
QString zoneWhereItIs(double localSeconds, qint64 utcMs) {
  const qint64 utcSeconds = (utcMs / 1000) % 86400;
  qint64 east = (static_cast<qint64>(localSeconds) - utcSeconds) % 86400;
  if (east > 43200) east -= 86400;
  if (east < -43200) east += 86400;
  // POSIX counts the offset west of Greenwich: UTC+1 is "-01".
  const qint64 west = -east, a = std::llabs(west);
  return QStringLiteral("LUX%1%2:%3:%4")
      .arg(west < 0 ? QStringLiteral("-") : QStringLiteral("+"))
      .arg(a / 3600, 2, 10, QLatin1Char('0'))
      .arg(a / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(a % 60, 2, 10, QLatin1Char('0'));
}

TEST(SystemClock, SecondsSinceMidnightWrapAtARealLocalMidnight) {
  if (qEnvironmentVariableIsSet(kChildMark)) GTEST_SKIP() << "this is the child";
  // Local 23:59:57 now: midnight comes three seconds later, after the child has started.
  const QString zone = zoneWhereItIs(86397, QDateTime::currentMSecsSinceEpoch());
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TZ"), zone);
  env.insert(QLatin1String(kChildMark), QStringLiteral("1"));
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=") + QLatin1String(kChildTest)});
  ASSERT_TRUE(child.waitForFinished(60000)) << "the child did not finish";
  const QString output = QString::fromLocal8Bit(child.readAll());
  EXPECT_TRUE(output.contains(QStringLiteral("[       OK ] ") + QLatin1String(kChildTest)))
      << qPrintable(zone) << "\n"
      << qPrintable(output);
  EXPECT_EQ(child.exitCode(), 0);
}

TEST(SystemClockChild, SecondsSinceMidnightWrapAtLocalMidnight) {
  if (!qEnvironmentVariableIsSet(kChildMark)) GTEST_SKIP() << "run by the test above";
  SystemClock clock;
  const double before = clock.secondsSinceMidnight();
  const QDateTime dayBefore = clock.localDateTime();
  // Started in the last seconds of the local day (the zone puts midnight 3 s after the start).
  ASSERT_GT(before, 86400.0 - 4.0) << qPrintable(dayBefore.toString(Qt::ISODate));
  ASSERT_LT(before, 86400.0);
  EXPECT_EQ(dayBefore.time().hour(), 23);
  EXPECT_NEAR(before, QTime(0, 0).secsTo(dayBefore.time()), 1.0);

  const double start = clock.monotonicSeconds();
  double last = before, wrappedTo = -1, wrappedAt = -1;
  while (clock.monotonicSeconds() - start < 6.0) {
    clock.idle(0.02);
    const double now = clock.secondsSinceMidnight();
    EXPECT_GE(now, 0.0);
    EXPECT_LT(now, 86400.0);
    if (now < last) {
      wrappedTo = now;
      wrappedAt = clock.monotonicSeconds() - start;
      EXPECT_GT(last, 86400.0 - 0.5) << "the count ran up to the end of the day";
      break;
    }
    last = now;
  }
  ASSERT_GE(wrappedTo, 0.0) << "no midnight within 6 s";
  EXPECT_LT(wrappedTo, 0.5) << "the new day starts at 0";
  // The day changed when the count said so: the seconds left at the start had passed.
  EXPECT_NEAR(wrappedAt, 86400.0 - before, 0.5);

  clock.idle(0.3);
  const QDateTime dayAfter = clock.localDateTime();
  const double after = clock.secondsSinceMidnight();
  EXPECT_EQ(dayAfter.date(), dayBefore.date().addDays(1));
  EXPECT_EQ(dayAfter.time().hour(), 0);
  EXPECT_GT(after, 0.2);
  EXPECT_LT(after, 1.5);
  EXPECT_NEAR(after, QTime(0, 0).secsTo(dayAfter.time()), 1.0);
}

}  // namespace
}  // namespace lux
