#include <gtest/gtest.h>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "ui/Accessibility.h"

namespace {

// The name a screen reader is given for the widget.
QString spoken(QWidget* w) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  return a ? a->text(QAccessible::Name) : QString();
}

TEST(Accessibility, ControlsAreNamedByCaptionThenToolTipThenObjectName) {
  QWidget window;
  window.setWindowTitle("Data Logger");
  auto* button = new QPushButton("Reset Scale", &window);
  auto* label = new QLabel("126.7 K", &window);
  auto* bar = new QToolBar(&window);
  QAction* save = bar->addAction("Save");
  save->setToolTip("Save As");
  auto* named = new QPushButton("OK", &window);
  named->setAccessibleName("Confirm the port");

  lux::nameForAccessibility(&window);

  EXPECT_EQ(spoken(&window), "Data Logger");
  EXPECT_EQ(spoken(button), "Reset Scale");
  EXPECT_EQ(spoken(label), "126.7 K");
  auto* saveButton = qobject_cast<QToolButton*>(bar->widgetForAction(save));
  ASSERT_NE(saveButton, nullptr);
  EXPECT_EQ(spoken(saveButton), "Save");
  EXPECT_EQ(spoken(named), "Confirm the port") << "an existing name is kept";

  // Controls without a caption take their tool-tip, else their own name.
  auto* picture = new QLabel(&window);
  picture->setPixmap(QPixmap(8, 8));
  picture->setObjectName("ImgRel");
  auto* box = new QComboBox(&window);
  box->setObjectName("TxtCOM");
  box->setToolTip("COM Port");
  auto* icon = bar->addAction(QIcon(), QString());
  icon->setToolTip("Back to Normal Mode");
  auto* unitLabel = new QLabel("Unit", &window);
  auto* unit = new QComboBox(&window);
  unit->setObjectName("TxtUnit");
  unitLabel->setBuddy(unit);
  lux::nameForAccessibility(&window);
  EXPECT_EQ(spoken(unit), "Unit") << "named by its buddy label";
  EXPECT_EQ(spoken(picture), "ImgRel");
  EXPECT_EQ(spoken(box), "COM Port");
  EXPECT_EQ(spoken(bar->widgetForAction(icon)), "Back to Normal Mode");
}

TEST(Accessibility, NamesFollowCaptionsThatChange) {
  QWidget window;
  window.setWindowTitle("File List");
  auto* count = new QLabel(&window);  // empty until the first record
  auto* port = new QLabel("No COM", &window);
  auto* bar = new QToolBar(&window);
  QAction* save = bar->addAction("Save As");
  lux::nameForAccessibility(&window);

  count->setText("12");
  port->setText("COM3");
  save->setText("Stop Recording");
  window.setWindowTitle("run.txt");
  EXPECT_EQ(spoken(count), "12");
  EXPECT_EQ(spoken(port), "COM3");
  EXPECT_EQ(spoken(bar->widgetForAction(save)), "Stop Recording");
  EXPECT_EQ(spoken(&window), "run.txt");
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
  EXPECT_EQ(spoken(b), "Plot");
}

}  // namespace
