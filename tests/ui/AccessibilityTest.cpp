#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "ui/Accessibility.h"

namespace {

TEST(Accessibility, ControlsAreNamedByCaptionThenToolTipThenObjectName) {
  QWidget window;
  window.setWindowTitle("Data Logger");
  auto* button = new QPushButton("Reset Scale", &window);
  auto* label = new QLabel("126.7 K", &window);
  auto* silent = new QLabel(&window);
  silent->setObjectName("LblMessage");
  auto* bar = new QToolBar(&window);
  QAction* save = bar->addAction("Save");
  save->setToolTip("Save As");
  auto* named = new QPushButton("OK", &window);
  named->setAccessibleName("Confirm the port");

  lux::nameForAccessibility(&window);

  EXPECT_EQ(window.accessibleName(), "Data Logger");
  EXPECT_EQ(button->accessibleName(), "Reset Scale");
  EXPECT_EQ(label->accessibleName(), "126.7 K");
  EXPECT_EQ(silent->accessibleName(), "LblMessage");
  auto* saveButton = qobject_cast<QToolButton*>(bar->widgetForAction(save));
  ASSERT_NE(saveButton, nullptr);
  EXPECT_EQ(saveButton->accessibleName(), "Save As");
  EXPECT_EQ(named->accessibleName(), "Confirm the port") << "an existing name is kept";
}

TEST(Accessibility, EscapeClosesSecondaryWindowsButNeverTheMainWindow) {
  QMainWindow main;
  lux::installKeyboardConveniences(&main);
  main.show();
  QWidget secondary;
  secondary.setWindowTitle("Real Time List");
  auto* inner = new QPushButton("Print", &secondary);
  secondary.show();

  QTest::keyClick(inner, Qt::Key_Escape);
  EXPECT_FALSE(secondary.isVisible());
  QTest::keyClick(&main, Qt::Key_Escape);
  EXPECT_TRUE(main.isVisible());

  // Shown windows are named on the way.
  QWidget later;
  auto* b = new QPushButton("Plot", &later);
  later.show();
  EXPECT_EQ(b->accessibleName(), "Plot");
}

}  // namespace
