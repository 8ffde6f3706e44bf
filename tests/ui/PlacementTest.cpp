#include <gtest/gtest.h>

#include "ui/Placement.h"

namespace {

using lux::PanelPlace;
using lux::placeNextToPanel;
using Across = PanelPlace::Across;
using Down = PanelPlace::Down;

// A panel that is not at the origin, on a screen whose available area starts right of a dock.
const QRect kPanel(100, 50, 500, 400);
const QSize kWindow(200, 120);
const QRect kScreen(64, 0, 1856, 1050);

TEST(PanelPlacement, EachAnchorMeasuresFromThePanelFrame) {
  EXPECT_EQ(placeNextToPanel(kPanel, kWindow, kScreen, {Across::PanelRight, Down::PanelTop}),
            QPoint(600, 50))
      << "lists, comparator and memory window: just right of the panel, tops level";
  EXPECT_EQ(placeNextToPanel(kPanel, kWindow, kScreen, {Across::PanelRight, Down::DesktopTop}),
            QPoint(600, 0))
      << "live graph: right of the panel, at the top of the desktop";
  EXPECT_EQ(placeNextToPanel(kPanel, kWindow, kScreen,
                             {Across::PanelLeft, Down::PanelTop, QPoint(8, 56)}),
            QPoint(108, 106))
      << "sampling choice: shifted in from the panel's corner";
  EXPECT_EQ(placeNextToPanel(kPanel, kWindow, kScreen,
                             {Across::CentredOnPanel, Down::PanelTop, QPoint(0, 67)}),
            QPoint(250, 117))
      << "clock window: centred over the panel";
  EXPECT_EQ(placeNextToPanel(kPanel, kWindow, kScreen,
                             {Across::PanelWidthFromScreenLeft, Down::PanelBottom}),
            QPoint(214, 450))
      << "keypad: below the panel, centred on its width from the screen's left edge";
  EXPECT_EQ(placeNextToPanel(kPanel, kWindow, QRect(),
                             {Across::PanelWidthFromScreenLeft, Down::PanelBottom}),
            QPoint(150, 450))
      << "without a screen the strip starts at the desktop's left edge";
}

TEST(PanelPlacement, AWindowWiderThanThePanelStartsLeftOfItsCentre) {
  EXPECT_EQ(
      placeNextToPanel(kPanel, QSize(701, 10), kScreen, {Across::CentredOnPanel, Down::PanelTop}),
      QPoint(0, 50));
}

TEST(PanelPlacement, NoPanelNoMove) {
  EXPECT_FALSE(placeNextToPanel(nullptr, nullptr, {Across::PanelRight, Down::PanelTop}));
}

}  // namespace
