// The port window: what it offers, how the typed text becomes the port, and how Cancel, Esc or
// closing it without OK ends the program.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/PortWindow.h"
#include "ui/Twips.h"

namespace lux {
namespace {

struct Chosen {
  int comPortNumber;
  QString portName;
  bool accepted;
};

Chosen chooseByTyping(const QString& text, LinkState state = {}) {
  PortWindow window(state);
  QSignalSpy chosen(&window, &PortWindow::chosen);
  QSignalSpy cancelled(&window, &PortWindow::cancelled);
  window.show();
  window.txtCom()->setEditText(text);
  QTest::mouseClick(window.cmdOk(), Qt::LeftButton);
  EXPECT_EQ(chosen.count(), 1);
  EXPECT_EQ(cancelled.count(), 0);
  EXPECT_FALSE(window.isVisible());
  return {state.comPortNumber, state.portName, window.accepted()};
}

TEST(PortWindow, OffersTheSixteenPortsAndStartsAtCom1) {
  LinkState state;
  PortWindow window(state);
  EXPECT_EQ(window.objectName(), "Port");
  EXPECT_EQ(window.windowTitle(), "COM Port");
  ASSERT_NE(window.findChild<QComboBox*>("TxtCOM"), nullptr);
  auto* ok = window.findChild<QPushButton*>("CmdOK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_TRUE(window.txtCom()->isEditable());
  EXPECT_EQ(window.txtCom()->currentText(), "COM1");
  ASSERT_GE(window.txtCom()->count(), 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(window.txtCom()->itemText(i), QString("COM%1").arg(i + 1));
  EXPECT_EQ(window.pos(), twipsPoint(&window, 3700, 2700));
}

TEST(PortWindow, MapsTheTypedTextExactly) {
  const Chosen autoPort = chooseByTyping("Auto");
  EXPECT_EQ(autoPort.comPortNumber, 1);
  EXPECT_EQ(autoPort.portName, "/dev/ttyS0");

  const Chosen com16 = chooseByTyping("COM16");
  EXPECT_EQ(com16.comPortNumber, 16);
  EXPECT_EQ(com16.portName, "/dev/ttyS15");

  // Lower case names no port: the number stays 0 and nothing is opened later.
  const Chosen lower = chooseByTyping("com3");
  EXPECT_TRUE(lower.accepted);
  EXPECT_EQ(lower.comPortNumber, 0);
  EXPECT_TRUE(lower.portName.isEmpty());

  const Chosen path = chooseByTyping("/dev/ttyUSB0");
  EXPECT_EQ(path.comPortNumber, 0);
  EXPECT_EQ(path.portName, "/dev/ttyUSB0");
}

enum class Confirm { Return, ClickOk, TabToOk };

// Typed key by key into the focused box and confirmed as a user does: the box's completion,
// its Return handling and its focus-out handling must not turn the text into a listed item of
// another case.
Chosen chooseByKeys(const QString& text, Confirm confirm) {
  LinkState state;
  PortWindow window(state);
  window.show();
  QApplication::setActiveWindow(&window);
  QLineEdit* edit = window.txtCom()->lineEdit();
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
  switch (confirm) {
    case Confirm::Return:
      QTest::keyClick(edit, Qt::Key_Return);
      break;
    case Confirm::ClickOk:
      window.cmdOk()->setFocus(Qt::MouseFocusReason);
      QTest::mouseClick(window.cmdOk(), Qt::LeftButton);
      break;
    case Confirm::TabToOk:
      QTest::keyClick(edit, Qt::Key_Tab);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
      break;
  }
  EXPECT_FALSE(window.isVisible());
  return {state.comPortNumber, state.portName, window.accepted()};
}

TEST(PortWindow, TypedNamesMatchTheListedItemsOnlyInTheirOwnCase) {
  for (Confirm confirm : {Confirm::Return, Confirm::ClickOk, Confirm::TabToOk}) {
    SCOPED_TRACE(static_cast<int>(confirm));
    for (const char* lower : {"com3", "com1", "auto", "Com16"}) {
      SCOPED_TRACE(lower);
      const Chosen c = chooseByKeys(QString::fromLatin1(lower), confirm);
      EXPECT_TRUE(c.accepted);
      EXPECT_EQ(c.comPortNumber, 0);
      EXPECT_TRUE(c.portName.isEmpty()) << qPrintable(c.portName);
    }
    const Chosen com3 = chooseByKeys("COM3", confirm);
    EXPECT_EQ(com3.comPortNumber, 3);
    EXPECT_EQ(com3.portName, "/dev/ttyS2");
    const Chosen com16 = chooseByKeys("COM16", confirm);
    EXPECT_EQ(com16.comPortNumber, 16);
  }
}

TEST(PortWindow, PickingAListedItemWorksLikeTypingIt) {
  LinkState state;
  PortWindow window(state);
  window.show();
  window.txtCom()->setCurrentIndex(4);
  QTest::mouseClick(window.cmdOk(), Qt::LeftButton);
  EXPECT_EQ(state.comPortNumber, 5);
  EXPECT_EQ(state.portName, "/dev/ttyS4");
}

TEST(PortWindow, ClosingWithoutOkEndsTheProgramOnlyOnce) {
  LinkState state;
  PortWindow window(state);
  QSignalSpy chosen(&window, &PortWindow::chosen);
  QSignalSpy cancelled(&window, &PortWindow::cancelled);
  window.show();
  window.txtCom()->setEditText("COM7");
  window.close();
  EXPECT_EQ(cancelled.count(), 1);
  EXPECT_EQ(chosen.count(), 0);
  EXPECT_FALSE(window.accepted());
  EXPECT_EQ(state.comPortNumber, 0);  // the typed text is not taken without OK

  // OK after the window has already reported must not start the program a second time.
  window.okClicked();
  EXPECT_EQ(chosen.count(), 0);
}

TEST(PortWindow, OkClosesWithoutReportingACancel) {
  LinkState state;
  PortWindow window(state);
  QSignalSpy cancelled(&window, &PortWindow::cancelled);
  window.show();
  QTest::keyClick(window.txtCom()->lineEdit(), Qt::Key_Return);
  EXPECT_TRUE(window.accepted());
  EXPECT_EQ(state.comPortNumber, 1);
  EXPECT_EQ(cancelled.count(), 0);
}

// Cancel and Esc end the program as closing the window does: once, without taking the text.
// No keyboard handling of the program is installed yet when this window shows.
TEST(PortWindow, CancelAndEscEndTheProgramWithoutAPort) {
  enum class How { Click, EscInTheBox, EscOnOk };
  for (How how : {How::Click, How::EscInTheBox, How::EscOnOk}) {
    SCOPED_TRACE(static_cast<int>(how));
    LinkState state;
    PortWindow window(state);
    QSignalSpy chosen(&window, &PortWindow::chosen);
    QSignalSpy cancelled(&window, &PortWindow::cancelled);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* cancel = window.findChild<QPushButton*>("CmdCancel");
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_FALSE(cancel->isDefault()) << "Enter still means OK";
    window.txtCom()->setEditText("COM7");
    switch (how) {
      case How::Click:
        QTest::mouseClick(cancel, Qt::LeftButton);
        break;
      case How::EscInTheBox:
        window.txtCom()->lineEdit()->setFocus();
        QTest::keyClick(window.txtCom()->lineEdit(), Qt::Key_Escape);
        break;
      case How::EscOnOk:
        window.cmdOk()->setFocus();
        QTest::keyClick(window.cmdOk(), Qt::Key_Escape);
        break;
    }
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_FALSE(window.accepted());
    EXPECT_EQ(state.comPortNumber, 0);
    window.cancelClicked();
    window.okClicked();
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_EQ(chosen.count(), 0);
  }
}

}  // namespace
}  // namespace lux
