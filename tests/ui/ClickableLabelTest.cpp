#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

#include "ui/ClickableLabel.h"

namespace {

using lux::ClickableLabel;

struct LabelFixture : ::testing::Test {
  LabelFixture() {
    label.resize(120, 24);
    label.setFocusPolicy(Qt::StrongFocus);
    label.show();
  }
  ClickableLabel label{QStringLiteral("Meter Time")};
  QSignalSpy spy{&label, &ClickableLabel::clicked};
};

TEST_F(LabelFixture, OnlyALeftClickReleasedOverTheLabelCounts) {
  QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(spy.count(), 1);
  QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(spy.count(), 1) << "a right click is no switch";
  QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(500, 10));
  EXPECT_EQ(spy.count(), 1) << "released beside the label: the user changed their mind";
}

TEST_F(LabelFixture, KeysClickOnlyWhereTheWindowAsksForThem) {
  // The memory figure of the logger window leaves the keys to the window.
  for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(&label, key);
  EXPECT_EQ(spy.count(), 0);
  // The clock labels switch from the keyboard as well.
  label.setKeyboardClicks(true);
  for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(&label, key);
  EXPECT_EQ(spy.count(), 3);
  QTest::keyClick(&label, Qt::Key_A);
  EXPECT_EQ(spy.count(), 3) << "other keys do not switch";
}

}  // namespace
