#pragma once
// One MQTT connection over libmosquitto, for the Qt thread. The network runs on a thread of its
// own (connecting, reading, keepalive), because a broker that is slow to resolve or to answer
// must never hold up the meters' polls; everything it reports comes back as queued signals on
// the client's thread, and the calls below are made from that thread only.
//
// Each connection attempt gets a fresh library instance: what the broker did not acknowledge
// before a loss is sent again by the caller from its spool, in order, instead of by the library
// from a queue of its own that the caller cannot see.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

#include "publish/engine/PublishConfig.h"

namespace lux::publish {

struct BrokerSettings {
  BrokerUrl url;
  QString ca, cert, key;
  QString user, password;
  int keepalive = 30;
  MqttVersion version = MqttVersion::V311;
  QString clientId;
  QString willTopic;  // the process's availability: "offline", retained, by the broker
};

// Reconnection waits: 1 s after a loss, doubling with every failed attempt up to 60 s.
int nextReconnectDelay(int previousSeconds);

class MqttClient : public QObject {
  Q_OBJECT
 public:
  explicit MqttClient(BrokerSettings settings, QObject* parent = nullptr);
  ~MqttClient() override;

  // Starts connecting; keeps trying until close().
  void start();
  bool isConnected() const { return connected_; }
  // The message id, or -1 when not connected (the caller keeps the message and sends it again
  // after the next `connected`).
  int publish(const QString& topic, const QByteArray& payload, int qos, bool retain);
  bool subscribe(const QString& topic, int qos);
  // Says `lastWords` (retained, on the will topic) when connected, disconnects cleanly and ends
  // the network thread, waiting at most `seconds`.
  void close(const QByteArray& lastWords, double seconds = 2.0);

  // Messages and topics longer than these are dropped before they reach the Qt thread.
  static constexpr int kMaxInboundPayload = 256;
  static constexpr int kMaxInboundTopic = 256;

 signals:
  void connected();
  // The connection ended or could not be made; the next attempt comes in `retryInSeconds`.
  void connectionLost(const QString& reason, int retryInSeconds);
  // The broker answered the connection with a refusal (`authentication`: bad user name or
  // password, or not authorised).
  void refused(const QString& reason, bool authentication);
  // The client cannot even start (a TLS file the library refuses).
  void failed(const QString& reason);
  void published(int mid);
  void messageReceived(const QString& topic, const QByteArray& payload);

 public:
  struct Shared;

 private:
  friend struct Shared;
  void onConnected(int generation);
  void onLost(int generation, const QString& reason, int retry);
  void onPublished();  // takes every acknowledgement that came in meanwhile
  void onMessage(int generation, const QString& topic, const QByteArray& payload);

  std::shared_ptr<Shared> shared_;
  bool started_ = false;
  bool connected_ = false;
  int generation_ = 0;  // the connection the Qt side believes in
};

}  // namespace lux::publish
