#pragma once
// One MQTT connection over libmosquitto, driven from the client's own thread: the socket is
// watched by the event loop (for writing only while the library has something waiting), the
// keepalive is looked after once a second, and a publish goes onto the wire at once. No thread
// of the library's own polls in the background, so an idle connection costs one wake-up a
// second and a reading one write and its acknowledgement. Only the connection attempt runs on
// a short-lived thread of its own, because the library looks the broker's name up in a call
// that cannot be bounded, and the meters must never wait for a name server.
//
// Each connection attempt gets a fresh library instance: what the broker did not acknowledge
// before a loss is sent again by the caller from its spool, in order, instead of by the library
// from a queue of its own that the caller cannot see.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "publish/engine/PublishConfig.h"

class QSocketNotifier;
struct mosquitto;

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
  // Says `lastWords` (retained, on the will topic) when connected and disconnects cleanly,
  // waiting at most `seconds` for the broker's socket to take it.
  void close(const QByteArray& lastWords, double seconds = 2.0);

  // Messages and topics longer than these are dropped before anything is copied.
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
  struct Attempt;  // a connection being made on its short-lived thread
  // What the library's callbacks reported during one call into it; told to the listeners once
  // the call has returned, so that none of them runs inside the library.
  struct Event {
    enum Kind { Connack, Ack, Message } kind;
    int code = 0;
    QString topic;
    QByteArray payload;
  };
  void libraryEvent(Event e) { events_.push_back(std::move(e)); }

 private:
  void connectNext();
  void onAttemptMade(const std::shared_ptr<Attempt>& attempt);
  void abandonAttempt();
  void service();
  void keepAlive();
  // After a call into the library: goes on watching the socket, or ends the connection.
  void settle(int rc, const QString& failure);
  void watch();
  void dropNotifiers();
  void dropInstance();
  void deliver();
  void lose(const QString& reason);
  void breakLater(int rc);

  BrokerSettings settings_;
  mosquitto* mq_ = nullptr;
  std::shared_ptr<Attempt> pending_;
  QSocketNotifier* reader_ = nullptr;
  QSocketNotifier* writer_ = nullptr;
  QTimer keepalive_;
  QTimer retry_;
  std::vector<Event> events_;
  int delay_ = 1;
  bool started_ = false;
  bool stopping_ = false;
  bool connected_ = false;
  bool attemptConnected_ = false;
  int generation_ = 0;  // the current attempt
};

}  // namespace lux::publish
