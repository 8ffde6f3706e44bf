#pragma once
// Publishing the panel's meter to an MQTT broker: the choices the user made in the "Publish
// readings" window (remembered with the program's other settings), the same publisher engine
// luxpanel-cli runs, fed with the readings of the panel's own session, and what the panel's
// status row says about it. No widget: the window and the status row observe it.
#include <QElapsedTimer>
#include <QObject>
#include <QSettings>
#include <QString>
#include <memory>

#include "link/MeterSession.h"
#include "publish/engine/Publisher.h"

namespace lux {

class Dialogs;

struct PublishChoices {
  QString url = QStringLiteral("mqtt://localhost");
  QString meter = QStringLiteral("panel");  // the topic level of this meter
  QString user;
  QString passwordFile;   // never the password itself: it stays in its private file
  QString ca, cert, key;  // for mqtts:// only
  bool discovery = true;
  QString discoveryPrefix = QStringLiteral("homeassistant");
  bool on = false;  // publishing when the program ended: the next start publishes again
};

PublishChoices loadPublishChoices(QSettings& settings);
void savePublishChoices(QSettings& settings, const PublishChoices& choices);

class DesktopPublishing : public QObject {
  Q_OBJECT
 public:
  // `stateDir`: where readings wait for the broker (each meter's spool).
  DesktopPublishing(MeterSession& session, Dialogs& dialogs, QSettings& settings, QString stateDir,
                    QObject* parent = nullptr);
  ~DesktopPublishing() override;

  // The place the program keeps waiting readings in: apart from a luxpanel-cli service's, whose
  // spools may hold the same meter names.
  static QString defaultStateDir();

  // What the user chose last time.
  PublishChoices remembered() const { return loadPublishChoices(settings_); }
  // Checks the choices as luxpanel-cli checks its configuration: an empty text when they do,
  // else what is wrong and how to mend it.
  QString check(const PublishChoices& choices) const;
  // Starts publishing (stopping what ran before) and remembers the choices as on; false with
  // the reason when the choices or the state directory do not do.
  bool start(const PublishChoices& choices, QString* error);
  // Stops publishing and remembers it as off.
  void stop();
  // At the program's start: publishes again when the last run ended publishing. A failure is
  // shown to the user and remembered as off.
  void resume();
  // The program closes: the broker hears "offline", and publishing stays remembered as it was.
  void shutdown();

  bool running() const { return publisher_ != nullptr; }
  const publish::Publisher* publisher() const { return publisher_.get(); }
  // The status row's words: "Publishing", "Broker unreachable: N readings waiting", ... or
  // nothing while publishing is off.
  QString statusText() const;

  // Seconds between two published readings at most.
  double every = 1.0;

 signals:
  void statusChanged(const QString& text, const QString& explanation);
  void runningChanged(bool running);

 private:
  // `later`: from inside one of the engine's own signals, which must not delete it under itself.
  void end(bool remember, bool later = false);
  void refresh();
  void refusedByBroker(const QString& message);

  MeterSession& session_;
  Dialogs& dialogs_;
  QSettings& settings_;
  QString stateDir_;
  QString brokerName_;
  std::unique_ptr<publish::Publisher> publisher_;
  QElapsedTimer monotonic_;
  QString shown_;
};

}  // namespace lux
