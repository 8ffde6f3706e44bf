#pragma once
// The short exchanges the setting windows and the toolbar's parameter inputs run with the meter,
// each through the link's bounded exchange: a meter that is switched off or unplugged ends the
// command with a message after a few seconds instead of holding the user in a loop that never
// ends.
#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <optional>

#include "core/MeterMessages.h"
#include "core/PollControl.h"
#include "link/Commands.h"
#include "link/DisplayState.h"
#include "link/MeterLink.h"
#include "settings/SettingsPayloads.h"

namespace lux {

struct Context;

// How long one exchange keeps asking a meter that does not answer before it gives up.
constexpr double kMeterAnswerBoundSeconds = MeterLink::kAnswerBound;

// Handshake, the letter, and, for a payload, a 0.05 s wait and the payload in one write.
// False (nothing sent) when the meter did not answer the handshake within the bound.
bool sendToMeter(MeterLink& link, Command letter, const QByteArray& payload = {});
bool sendToMeter(Context& ctx, Command letter, const QByteArray& payload = {});

// Handshake, "H" and 0.2 s: the meter leaves any setting mode and shows its normal display
// before a setting is read or changed. False when the meter did not answer.
bool backToNormalDisplay(MeterLink& link);
bool backToNormalDisplay(Context& ctx);

// The settings block: repeat { handshake; "Z"; 0.05 s; read } until a well-framed 9-byte block
// arrives. Nothing when the meter gave none within the bound.
std::optional<SettingsBlock> requestSettingsBlock(MeterLink& link);
std::optional<SettingsBlock> requestSettingsBlock(Context& ctx);

// The meter clock reply: repeat { handshake; "Y"; 0.02 s; read } until a well-framed 8-byte
// reply arrives. Nothing when none came within the bound or `wanted` said stop.
std::optional<QByteArray> requestClockReply(Context& ctx, const StillWanted& wanted = {});

// The comparator's new limits (the 5 bytes of encodeComparatorPayload): back to the normal
// display, "V" and the limits, 0.2 s, then "X", with which the meter takes them up. False when
// the meter stopped answering on the way.
bool sendComparatorLimits(MeterLink& link, const QByteArray& payload);

// The keypad's "cd": back to the normal display, the settings block, and the meter's own
// distance sent back unchanged behind "I", which makes the meter take up its candela reading.
bool resendMeterDistance(MeterLink& link);

// Whether the meter's logger records (INTV), as the last whole display frame among `bytes`
// shows it; nothing when they hold no whole frame.
std::optional<bool> loggingShownIn(const QByteArray& bytes, const DisplayState& shown);

// What the meter shows while the panel's poll is off: the display frames that came since the
// last exchange, or, when none did, "M" and up to `collect` seconds for a frame. True when the
// meter's logger records (INTV); false also when no frame came (the exchange that follows then
// finds a silent meter by itself). The caller holds the line.
bool meterShowsLogging(Context& ctx, double collect);

}  // namespace lux
