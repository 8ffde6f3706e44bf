#pragma once
// Readings of one or more meters to an MQTT broker: each meter's fresh readings, at most one per
// its period, go to its spool and from there to the broker in order; the broker's
// acknowledgement is what lets a reading go. Retained state per meter, the process's
// availability with a last will, and Home Assistant discovery. QtCore and libmosquitto only:
// the command line, the service and the panel run the same engine, fed with readings.
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "link/Reading.h"
#include "publish/engine/DiskFlusher.h"
#include "publish/engine/MqttClient.h"
#include "publish/engine/PublishConfig.h"
#include "publish/engine/PublishFormat.h"
#include "publish/engine/Spool.h"

namespace lux::publish {

// What a meter's state topic says.
enum class MeterState { Online, Silent, Unplugged };
const char* stateWord(MeterState s);

struct Topics {
  QString prefix = QStringLiteral("luxpanel");
  QString discoveryPrefix = QStringLiteral("homeassistant");
  bool discovery = true;
  QString clientId;  // names the process's availability topic
  QString availability() const {
    return prefix + QStringLiteral("/publisher/") + clientId + QStringLiteral("/availability");
  }
  QString reading(const QString& meter) const { return prefix + '/' + meter + "/reading"; }
  QString state(const QString& meter) const { return prefix + '/' + meter + "/state"; }
  QString dropped(const QString& meter) const { return prefix + '/' + meter + "/state/dropped"; }
};

// The spool record of a reading; nothing for a reading that carries no value (a banner) or
// one the spool could not give back as it is.
std::optional<SpoolRecord> spoolRecordOf(const Reading& r);

class Publisher : public QObject {
  Q_OBJECT
 public:
  // Readings handed to the broker at once per meter before waiting for acknowledgements.
  static constexpr std::uint64_t kWindow = 64;

  Publisher(BrokerSettings broker, Topics topics, QString stateDir, std::uint64_t spoolLimit,
            QObject* parent = nullptr);
  ~Publisher() override;

  // Before start(): one meter; returns its index.
  int addMeter(const MeterConfig& meter);
  // Opens the spools (what an earlier run left goes out first) and starts connecting.
  bool start(QString* error);
  // A decoded reading of meter `index`, at `monotonicMs` on a clock that only moves forward.
  void offer(int index, const Reading& reading, qint64 monotonicMs);
  void setMeterState(int index, MeterState state);
  // Says "offline" on the availability topic and disconnects cleanly (waits at most `seconds`).
  void stop(double seconds = 2.0);

  bool brokerConnected() const { return client_ && client_->isConnected(); }
  // A connection was made or an attempt failed since start(): until then nobody knows yet
  // whether the broker is there.
  bool brokerTried() const { return tried_; }
  std::uint64_t waiting() const;  // readings not yet acknowledged, all meters
  std::uint64_t waiting(int index) const;
  std::uint64_t dropped(int index) const;
  int meterCount() const { return int(meters_.size()); }
  const Topics& topics() const { return topics_; }

 signals:
  // The connection came or went, or the number of waiting readings changed.
  void statusChanged();
  // The broker refused the user name or password before the first connection was made.
  void authenticationRefused(const QString& reason);
  // The client could not start at all.
  void failed(const QString& reason);
  // The broker acknowledged reading `seq` of meter `index`.
  void acknowledged(int index, std::uint64_t seq);

 private:
  struct Meter {
    MeterConfig config;
    QString id;
    std::unique_ptr<Sampler> sampler;
    std::unique_ptr<Spool> spool;
    MeterState state = MeterState::Online;
    std::uint64_t droppedSent = 0;
  };
  struct Sent {
    int meter;  // -1: not a reading
    std::uint64_t seq;
  };
  void connected();
  void connectionLost(const QString& reason, int retry);
  void refused(const QString& reason, bool authentication);
  void published(int mid);
  void messageReceived(const QString& topic, const QByteArray& payload);
  void announce();  // availability, discovery, states
  void publishState(Meter& m);
  void pump(int index);

  BrokerSettings broker_;
  Topics topics_;
  QString stateDir_;
  std::uint64_t spoolLimit_;
  std::vector<std::unique_ptr<Meter>> meters_;
  std::unique_ptr<MqttClient> client_;
  std::unique_ptr<DiskFlusher> flusher_;  // the flushes of the running publisher
  QHash<int, Sent> sent_;                 // message id -> reading
  QTimer syncTimer_;
  QTimer announceTimer_;
  bool everConnected_ = false;
  bool tried_ = false;
  bool stopped_ = false;
};

}  // namespace lux::publish
