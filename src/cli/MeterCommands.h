#pragma once
// The short exchanges of clock and erase, on any session (the tests' simulated meter too).
#include <QDateTime>
#include <QString>
#include <optional>

namespace lux::cli {

class CliMeter;

// The meter's clock as "DD hh:nn:ss"; nullopt when it does not answer.
std::optional<QString> readMeterClock(CliMeter& session);
// Sets the meter's clock to `pc` (day of month and time); false when it does not answer.
bool setMeterClock(CliMeter& session, const QDateTime& pc);

enum class EraseOutcome { Erased, NoAnswer, NoAnswerAfter, StillHoldsData };
// "E", then a handshake to see that the memory is empty. `address` gets what the meter reports.
EraseOutcome eraseMemory(CliMeter& session, std::uint32_t* address = nullptr);

}  // namespace lux::cli
