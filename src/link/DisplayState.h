#pragma once
// The meter's LCD as the last decoded display frame left it: the annunciator flags, the digits
// and the current reading that recording, lists and graphs sample.
#include <string>

namespace lux {

struct DisplayState {
  // Flag byte A (frame byte 8)
  bool annRel = false, annComp = false, annCal = false, annZero = false, annUpperAvg = false,
       annHold = false, annRef = false, annUpperPercent = false;
  // Flag byte B, units (frame byte 9)
  bool annFcHour = false, annLxHour = false, annCd = false, annFc = false, annLx = false,
       annLight = false, annSmallPlus = false, annStray = false;
  // Flag byte C, signs (frame byte 10)
  bool annComma = false, annBattery = false, annBigPlus = false, annNegative = false,
       annAuto = false, annCycle = false, annRead = false, annLowerAvg = false;
  // Flag byte D, logger marks (frame byte 11)
  bool annNo = false, annStart = false, annIntv = false, annStop = false, annDH = false,
       annMs = false, annTimeHold = false, annLowerPercent = false;
  // Flag byte E, decimal points (frame byte 12)
  bool annFt = false, annM = false, annMainPoint1 = false, annMainPoint2 = false,
       annMainPoint3 = false, annSubPoint1 = false, annSubPoint2 = false, annSubPoint3 = false;
  // Flag byte F, indicators (frame byte 13; bits 4 and 7 unused)
  bool annDateDot = false, annTimeDot = false, annMem = false, annSetUp = false,
       annClear = false, annRs232 = false;

  std::string memoryDigits = "  ";     // 2 characters, ' ' = blank digit
  std::string mainDigits = "      ";   // 6 characters, ' ' = blank, "O"/"L" on overload
  std::string secondaryDigits = "0000";  // 4 characters
  std::string unitText;                // "Fc", "Lx" or empty
  float mainScale = 1.0f;
  int mainDecimals = 0;
  std::string mainDigitsText;
  float mainValue = 0.0f;
  std::string mainValueText;
  // Display frames decoded so far: a reading is new only when this has moved on since it was
  // last looked at (a held reading still comes in fresh frames).
  unsigned long framesDecoded = 0;

  bool bannerShown() const { return annSetUp || annClear || annRs232; }
  // True while the meter measures plainly: none of the modes that forbid starting a recording,
  // a live list or a live graph.
  bool plainMode() const {
    return !(annRel || annComp || annRef || annUpperPercent || annCd || annFcHour || annLxHour ||
             annSetUp);
  }
  // The annunciators that end a running recording, live list or live graph (COMP does not).
  bool stopMode() const {
    return annRel || annRef || annUpperPercent || annCd || annFcHour || annLxHour || annSetUp;
  }
};

}  // namespace lux
