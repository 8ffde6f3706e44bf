#include "settings/ParameterInputs.h"

#include <QCoreApplication>

#include "core/Context.h"
#include "settings/Comparator.h"
#include "settings/MeterExchange.h"

namespace lux {

namespace {

struct InputTexts {
  Q_DECLARE_TR_FUNCTIONS(ParameterInputs)
};

QString invalidFormatMessage() {
  return InputTexts::tr("Invalid, comply with the data format properly\r\n");
}

QByteArray toBytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

std::optional<SettingsBlock> readMeterBlock(Context& ctx) {
  return requestSettingsBlock(ctx);
}

void holdTimeCommand(Context& ctx) {
  if (!backToNormalDisplay(ctx)) {
    ctx.dialogs.message(meterSilentMessage());
    return;
  }
  HoldEntry entry;
  for (;;) {
    const QString text =
        ctx.dialogs.input(InputTexts::tr("Enter the TIME to Hold\r\n (MM:SS) "),
                          InputTexts::tr("Input Hold Time"), QStringLiteral("00:00"));
    entry = parseHoldEntry(text.toStdString());
    if (entry.verdict != EntryVerdict::Invalid) break;
    ctx.dialogs.message(invalidFormatMessage());
  }
  if (entry.verdict != EntryVerdict::Valid) return;
  if (!sendToMeter(ctx, Command::SetHoldTime,
                   toBytes(encodeHoldPayload(entry.minutes, entry.seconds))))
    ctx.dialogs.message(meterSilentMessage());
}

void distanceCommand(Context& ctx) {
  std::optional<SettingsBlock> block;
  if (backToNormalDisplay(ctx)) block = readMeterBlock(ctx);
  if (!block) {
    ctx.dialogs.message(meterSilentMessage());
    return;
  }
  const QString defaultText = QString::fromStdString(distanceDefaultText(block->distance));
  const QString unitText = QString::fromStdString(ctx.display.unitText);
  const QString unitWord =
      unitText == QLatin1String("Fc") ? QStringLiteral("ft") : QStringLiteral("m");
  const QString prompt =
      InputTexts::tr("Enter the distance from the Light Source (0.01~9.99)\r\n") + unitWord +
      QStringLiteral(" ( ") + unitText + QStringLiteral(" )");
  DistanceEntry entry;
  for (;;) {
    const QString text =
        ctx.dialogs.input(prompt, InputTexts::tr("Input the distance"), defaultText);

    entry = parseDistanceEntry(text.toStdString());
    if (entry.verdict != EntryVerdict::Invalid) break;
    ctx.dialogs.message(invalidFormatMessage());
  }
  if (entry.verdict != EntryVerdict::Valid) return;
  if (!sendToMeter(ctx, Command::SetDistance, toBytes(encodeDistancePayload(entry.hundredths))))
    ctx.dialogs.message(meterSilentMessage());
}

void comparatorCommand(Context& ctx) {
  std::optional<SettingsBlock> block;
  if (backToNormalDisplay(ctx)) block = readMeterBlock(ctx);
  if (!block) {
    ctx.dialogs.message(meterSilentMessage());
    return;
  }
  Comparator::showFresh(ctx)->fillFromSettingsBlock(*block);
}

void installParameterInputs(Context& ctx) {
  auto install = [&ctx](ToolbarCommand key, void (*command)(Context&)) {
    ctx.hooks.commands.add(key, [&ctx, command] {
      ctx.link.runCommand([&ctx, command] { command(ctx); },
                          [&ctx] { ctx.dialogs.message(meterBusyMessage()); });
    });
  };
  install(ToolbarCommand::Hold, &holdTimeCommand);
  install(ToolbarCommand::CD, &distanceCommand);
  install(ToolbarCommand::Comp, &comparatorCommand);
}

}  // namespace lux
