// Taking a survey's readings from the simulated meter on the fake clock: what is stored (lux,
// foot-candles converted, the PC time), what is refused and with which message, and the wait
// for a steady reading, its progress and its bound.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <string_view>

#include "support/MeterRig.h"
#include "survey/SurveyFeed.h"
#include "survey/engine/SurveyCapture.h"

namespace lux::survey {
namespace {

class Capture : public ::testing::Test {
 protected:
  void SetUp() override {
    survey.grid.kind = GridKind::ByHand;
    survey.grid.length = 6;
    survey.grid.width = 4;
    survey.grid.border = 0;
    survey.grid.rows = 2;
    survey.grid.columns = 3;
    survey.resetPoints();
    QObject::connect(&feed, &SurveyFeed::readingDecoded, &capture, &SurveyCapture::offer);
    QObject::connect(&feed, &SurveyFeed::silenceChanged, &capture, &SurveyCapture::setSilent);
    QObject::connect(&capture, &SurveyCapture::refused,
                     [this](const QString& m) { refusals << m; });
    QObject::connect(&capture, &SurveyCapture::waitProgress, [this](const QString& m) {
      if (!m.isEmpty()) progress << m;
    });
    rig.meter.setReading(523.4, 1);
    run(1.0);
  }

  // The panel's poll every 250 ms, as it decodes frames, and the feed looking after each tick.
  void run(double seconds) {
    const double end = rig.clock.elapsed() + seconds;
    while (rig.clock.elapsed() < end) {
      rig.session.pollTick();
      capture.tick();
      rig.clock.advance(0.25);
    }
  }

  QString lastRefusal() const { return refusals.isEmpty() ? QString() : refusals.back(); }

  test::MeterRig rig;
  Survey survey;
  SurveyFeed feed{&rig.session, rig.clock};
  SurveyCapture capture{survey, rig.clock};
  QStringList refusals, progress;
};

TEST_F(Capture, StoresTheCurrentReadingWithItsTimeAndMovesOn) {
  capture.settings.waitSteady = false;
  const QDateTime before = rig.clock.localDateTime();
  ASSERT_TRUE(capture.take()) << lastRefusal().toStdString();
  const SurveyPoint& p = survey.points[0];
  EXPECT_TRUE(p.taken);
  EXPECT_DOUBLE_EQ(p.lux, 523.4);
  EXPECT_EQ(p.shownText, "523.4");
  EXPECT_EQ(p.shownUnit, "Lx");
  EXPECT_GE(p.time, before.addSecs(-1));
  EXPECT_LE(p.time, rig.clock.localDateTime());
  EXPECT_EQ(survey.current, 1);

  // Foot-candles go in as lux: 50.0 fc = 538.195 lx.
  rig.meter.setLux(false);
  rig.meter.setReading(50.0, 1);
  run(1.0);
  ASSERT_TRUE(capture.take());
  EXPECT_NEAR(survey.points[1].lux, 538.195, 1e-3);
  EXPECT_EQ(survey.points[1].shownUnit, "Fc");
  EXPECT_TRUE(survey.anyFootCandles());

  // Taking a point again replaces its reading only once the new one is stored.
  capture.retake(0);
  rig.meter.setOverload(true);
  run(1.0);
  EXPECT_FALSE(capture.take());
  EXPECT_DOUBLE_EQ(survey.points[0].lux, 523.4);
  rig.meter.setOverload(false);
  rig.meter.setLux(true);
  rig.meter.setReading(480.0, 1);
  run(1.0);
  ASSERT_TRUE(capture.take());
  EXPECT_DOUBLE_EQ(survey.points[0].lux, 480.0);
  EXPECT_EQ(survey.current, 2);  // the next point still open
}

TEST_F(Capture, RefusesAnythingButAFreshPlainIlluminance) {
  capture.settings.waitSteady = false;
  struct Case {
    sim::Annunciator mark;
    const char* says;
  };
  const Case cases[] = {
      {sim::Annunciator::Rel, "REL"},      {sim::Annunciator::Ref, "REF"},
      {sim::Annunciator::Percent, "%"},    {sim::Annunciator::Cd, "cd"},
      {sim::Annunciator::LxHour, "lx-h"},  {sim::Annunciator::FcHour, "fc-h"},
      {sim::Annunciator::Hold, "HOLD"},    {sim::Annunciator::TimeHold, "HOLD"},
      {sim::Annunciator::SetUp, "banner"},
  };
  for (const Case& c : cases) {
    rig.meter.setAnnunciator(c.mark, true);
    run(1.0);
    EXPECT_FALSE(capture.take()) << c.says;
    EXPECT_TRUE(lastRefusal().contains(QLatin1String(c.says))) << lastRefusal().toStdString();
    rig.meter.setAnnunciator(c.mark, false);
    run(1.0);
  }
  rig.meter.setOverload(true);
  run(1.0);
  EXPECT_FALSE(capture.take());
  EXPECT_TRUE(lastRefusal().contains("overload")) << lastRefusal().toStdString();
  // A minus sign (a relative reading left over) is no illuminance either.
  Reading negative;
  negative.unit = "Lx";
  negative.text = "-5.0";
  negative.value = -5.0;
  negative.negative = true;
  ASSERT_TRUE(capture.refusal(negative).has_value());
  EXPECT_TRUE(capture.refusal(negative)->contains("negative"));
  negative.negative = false;
  negative.text = "5.0";
  negative.value = 5.0;
  EXPECT_FALSE(capture.refusal(negative).has_value());
  rig.meter.setOverload(false);
  run(1.0);
  EXPECT_EQ(survey.stats().taken, 0);

  // A held reading goes in once the surveyor allows it.
  capture.settings.allowHold = true;
  rig.meter.setAnnunciator(sim::Annunciator::Hold, true);
  run(1.0);
  EXPECT_TRUE(capture.take()) << lastRefusal().toStdString();
  rig.meter.setAnnunciator(sim::Annunciator::Hold, false);

  // The meter stops speaking: after 2 s the last reading is no longer the current one.
  rig.clock.advance(2.5);
  const int before = refusals.size();
  EXPECT_FALSE(capture.take());
  ASSERT_EQ(refusals.size(), before + 1);
  EXPECT_TRUE(lastRefusal().startsWith("No fresh reading")) << lastRefusal().toStdString();
  capture.setSilent(true);
  run(1.0);  // a frame clears the silence
  EXPECT_TRUE(capture.take());
  EXPECT_EQ(survey.stats().taken, 2);
}

TEST_F(Capture, WaitsForASteadyReadingAndShowsHowFarItGot) {
  ASSERT_TRUE(capture.settings.waitSteady);  // on by default
  capture.settings.steadyCount = 3;
  capture.settings.steadyPercent = 5.0;
  rig.meter.setReading(400.0, 1);
  run(0.5);
  EXPECT_FALSE(capture.take());  // the wait starts
  EXPECT_TRUE(capture.waiting());
  ASSERT_FALSE(progress.isEmpty());
  EXPECT_EQ(progress.back(), "Waiting for a steady reading: 1 of 3 within ±5 %");
  // The lamp is still warming up: 400, 450, 520, then settling around 525.
  for (double lux : {450.0, 520.0, 530.0}) {
    rig.meter.setReading(lux, 1);
    run(0.25);
    EXPECT_TRUE(capture.waiting()) << lux;
  }
  EXPECT_EQ(progress.back(), "Waiting for a steady reading: 2 of 3 within ±5 %");
  EXPECT_FALSE(progress.contains("Waiting for a steady reading: 3 of 3 within ±5 %"));
  rig.meter.setReading(525.0, 1);
  run(0.25);
  EXPECT_FALSE(capture.waiting());
  ASSERT_TRUE(survey.points[0].taken);
  // The reading stored is the last of the three that agreed.
  EXPECT_DOUBLE_EQ(survey.points[0].lux, 525.0);
}

TEST_F(Capture, AWaitThatNeverSettlesGivesUpAfterItsBound) {
  capture.settings.steadyBound = 30.0;
  EXPECT_FALSE(capture.take());
  ASSERT_TRUE(capture.waiting());
  const double started = rig.clock.elapsed();
  // A flickering lamp: 300 and 600 lx by turns.
  bool high = false;
  while (capture.waiting() && rig.clock.elapsed() - started < 60) {
    rig.meter.setReading(high ? 600.0 : 300.0, 1);
    high = !high;
    run(0.25);
  }
  EXPECT_FALSE(capture.waiting());
  EXPECT_NEAR(rig.clock.elapsed() - started, 30.0, 1.0);
  EXPECT_TRUE(lastRefusal().startsWith("No steady reading within 30 s"))
      << lastRefusal().toStdString();
  EXPECT_FALSE(survey.points[0].taken);

  // A meter that falls silent or shows an overload mid-wait ends the wait at once.
  rig.meter.setReading(300.0, 1);
  run(0.5);
  EXPECT_FALSE(capture.take());
  rig.meter.setOverload(true);
  run(0.5);
  EXPECT_FALSE(capture.waiting());
  EXPECT_TRUE(lastRefusal().contains("overload"));
  rig.meter.setOverload(false);
  run(0.5);
  EXPECT_FALSE(capture.take());
  capture.setSilent(true);
  EXPECT_FALSE(capture.waiting());
  EXPECT_TRUE(lastRefusal().startsWith("No fresh reading"));
}

TEST_F(Capture, SkipsAndNotesKeepTheirReasons) {
  capture.settings.waitSteady = false;
  capture.skip(0, "cupboard");
  EXPECT_TRUE(survey.points[0].skipped);
  EXPECT_EQ(survey.points[0].skipReason, "cupboard");
  EXPECT_EQ(survey.current, 1);
  capture.setNote(1, "near the window");
  ASSERT_TRUE(capture.take());
  EXPECT_EQ(survey.points[1].note, "near the window");
  const Stats s = survey.stats();
  EXPECT_EQ(s.skipped, 1);
  EXPECT_EQ(s.taken, 1);
  EXPECT_EQ(s.left, 4);
  // Taking a skipped point clears its skip.
  capture.retake(0);
  ASSERT_TRUE(capture.take());
  EXPECT_FALSE(survey.points[0].skipped);
  EXPECT_TRUE(survey.points[0].skipReason.isEmpty());
}

}  // namespace
}  // namespace lux::survey
