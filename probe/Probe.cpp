#include "probe/Probe.h"

#include <QPointer>
#include <QTimer>
#include <cstdio>

#include "app/AppContext.h"
#include "panel/Panel.h"
#include "probe/Gallery.h"
#include "probe/StateFile.h"

namespace lux::probe {

void readEnvironment(ProbeOptions& options) {
  options.stateFile = qEnvironmentVariable("LUXPANEL_STATE_FILE");
  options.recording.recordTo = qEnvironmentVariable("LUXPANEL_RECORD_TO");
  bool ok = false;
  const int period = qEnvironmentVariableIntValue("LUXPANEL_SAMPLING", &ok);
  options.recording.samplingSeconds = ok && period >= 1 && period <= 86400 ? period : 0;
  options.recording.keepRunning = qEnvironmentVariable("LUXPANEL_SOAK") == QLatin1String("1");
  options.galleryFolder = qEnvironmentVariable("LUXPANEL_SCREENSHOTS");
  options.latency.keys =
      qEnvironmentVariable("LUXPANEL_LATENCY").split(QLatin1Char(','), Qt::SkipEmptyParts);
  const int clicks = qEnvironmentVariableIntValue("LUXPANEL_LATENCY_CLICKS", &ok);
  options.latency.clicks = ok && clicks >= 1 && clicks <= 1000 ? clicks : 20;
}

bool takeProbeArguments(QStringList& arguments, ProbeOptions& options, QString* reason) {
  auto fail = [reason](const QString& why) {
    if (reason) *reason = why;
    return false;
  };
  QStringList rest;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    QString name = a, value;
    bool inlineValue = false;
    if (const int eq = a.indexOf(QLatin1Char('=')); a.startsWith(QLatin1String("--")) && eq > 0) {
      name = a.left(eq);
      value = a.mid(eq + 1);
      inlineValue = true;
    }
    if (name != QLatin1String("--screenshot") && name != QLatin1String("--screenshot-delay")) {
      rest << a;
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= arguments.size()) return fail(name + QStringLiteral(" wants a value"));
      value = arguments[++i];
    }
    if (name == QLatin1String("--screenshot")) {
      options.screenshotPath = value;
    } else {
      bool ok = false;
      const double seconds = value.toDouble(&ok);
      if (!ok || seconds < 0 || seconds > 3600)
        return fail(QStringLiteral("--screenshot-delay wants seconds between 0 and 3600"));
      options.screenshotDelay = seconds;
    }
  }
  arguments = rest;
  return true;
}

namespace {

void takePanelPicture(Panel& panel, const QString& path, double delaySeconds) {
  QPointer<Panel> target(&panel);
  QTimer::singleShot(static_cast<int>(delaySeconds * 1000), &panel, [target, path] {
    if (!target) return;
    const bool saved = target->grab().save(path);
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "saved" : "could not save",
                 qPrintable(path));
    std::fflush(saved ? stdout : stderr);
    target->close();
  });
}

}  // namespace

ProgramExtension probeExtension(const ProbeOptions& options) {
  ProgramExtension extension;
  extension.installed = [options](AppContext& ctx) {
    installRecordingDriver(ctx, options.recording);
    auto* panel = qobject_cast<Panel*>(ctx.panel);
    // Written from the first caption on, as the panel sets it during its start-up.
    if (panel && !options.stateFile.isEmpty())
      new StateFile(*panel, ctx.state.display, options.stateFile);
  };
  extension.started = [options](AppContext& ctx) {
    auto* panel = qobject_cast<Panel*>(ctx.panel);
    if (panel && !options.screenshotPath.isEmpty())
      takePanelPicture(*panel, options.screenshotPath, options.screenshotDelay);
    if (ctx.panel && !options.galleryFolder.isEmpty()) startGallery(ctx, options.galleryFolder);
    installLatencyDriver(ctx, options.latency);
  };
  return extension;
}

}  // namespace lux::probe
