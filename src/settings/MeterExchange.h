#pragma once
// The short exchanges the setting windows and the toolbar's parameter inputs run with the meter,
// each through the link's bounded exchange: a meter that is switched off or unplugged ends the
// command with a message after a few seconds instead of holding the user in a loop that never
// ends.
#include <QByteArray>
#include <QString>
#include <optional>

#include "link/Commands.h"
#include "link/MeterLink.h"
#include "link/PollControl.h"
#include "settings/SettingsPayloads.h"

namespace lux {

struct Context;

// How long one exchange keeps asking a meter that does not answer before it gives up.
constexpr double kMeterAnswerBoundSeconds = MeterLink::kAnswerBound;

// meterSilentMessage() (link/MeterLink.h) is shown when the meter did not answer within the
// bound.

// Handshake, the letter, and, for a payload, a 0.05 s wait and the payload in one write.
// False (nothing sent) when the meter did not answer the handshake within the bound.
bool sendToMeter(Context& ctx, Command letter, const QByteArray& payload = {});

// Handshake, "H" and 0.2 s: the meter leaves any setting mode and shows its normal display
// before a setting is read or changed. False when the meter did not answer.
bool backToNormalDisplay(Context& ctx);

// The settings block: repeat { handshake; "Z"; 0.05 s; read } until a well-framed 9-byte block
// arrives. Nothing when the meter gave none within the bound.
std::optional<SettingsBlock> requestSettingsBlock(Context& ctx);

// The meter clock reply: repeat { handshake; "Y"; 0.02 s; read } until a well-framed 8-byte
// reply arrives. Nothing when none came within the bound or `wanted` said stop.
std::optional<QByteArray> requestClockReply(Context& ctx, const StillWanted& wanted = {});

}  // namespace lux
