#pragma once
// Every command letter the program writes to the meter, in one typed place.
#include <cstddef>

namespace lux {

enum class Command : char {
  Handshake = 'A',         // answer: 6 bytes 02 AA hh mm ll 03, the logger fill address
  Stream = 'M',            // start or keep the display-frame stream
  Enter = 'H',             // Enter key: back to the normal display
  ReadSettings = 'Z',      // answer: the 9-byte settings block
  SetDistance = 'I',       // + 2 bytes: distance x 100, high byte first
  SetHoldTime = 'S',       // + 2 bytes: minutes, seconds (packed BCD)
  ReadClock = 'Y',         // answer: 8 bytes: day hour minute second, logger sampling mm ss
  SetClock = 'T',          // + 4 bytes: day hour minute second (packed BCD)
  SetLoggerSampling = 'W', // + 2 bytes: minutes, seconds (packed BCD)
  SetComparator = 'V',     // + 5 bytes: mode byte, high limit (2), low limit (2)
  DownloadMemory = 'Q',    // answer: the logger memory image
  EraseMemory = 'E',
  KeyAvg = 'D',
  KeyPower = 'O',
  KeyTime = 'B',
  KeyLxFc = 'F',
  KeyHold = 'C',
  KeyRead = 'L',
  KeyAutoRecord = 'P',
  KeyPercent = 'G',
  KeyUp = 'K',
  KeyDown = 'N',
  KeyManualRecord = 'J',
  KeyComp = 'X',
};

constexpr char letterOf(Command c) { return static_cast<char>(c); }

// Lengths of the answers the program reads.
constexpr std::size_t kHandshakeAnswerLength = 6;
constexpr std::size_t kFrameLength = 14;
constexpr std::size_t kSettingsBlockLength = 9;
constexpr std::size_t kClockAnswerLength = 8;

// The fill address of an empty logger memory.
constexpr unsigned kEmptyLoggerAddress = 1279;
constexpr unsigned kLoggerTopAddress = 131071;

}  // namespace lux
