#include "publish/engine/MqttClient.h"

#include <errno.h>
#include <mosquitto.h>
#include <string.h>

#include <QFile>
#include <QMetaObject>
#include <QSocketNotifier>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "publish/engine/PublishLog.h"

Q_LOGGING_CATEGORY(lux::publish::lcPublish, "lux.publish", QtWarningMsg)

namespace lux::publish {

int nextReconnectDelay(int previousSeconds) {
  if (previousSeconds < 1) return 1;
  return previousSeconds >= 30 ? 60 : previousSeconds * 2;
}

struct MqttClient::Attempt {
  // `m` hands the instance over: the attempt's thread owns it until `done`, the client after
  // that, unless the client gave the attempt up first, in which case the thread destroys it.
  std::mutex m;
  mosquitto* mq = nullptr;
  bool done = false;
  bool abandoned = false;
  int rc = MOSQ_ERR_SUCCESS;
  QString reason;
};

namespace {

bool isAuthenticationRefusal(int rc, MqttVersion v) {
  if (v == MqttVersion::V5)
    return rc == 134 || rc == 135;  // bad user name or password; not authorised
  return rc == 4 || rc == 5;
}

// An encrypted client key would make OpenSSL ask on the terminal; a service has nobody there.
int noKeyPassword(char*, int, int, void*) {
  return 0;
}

QString failureOf(int rc, int err) {
  if (rc == MOSQ_ERR_ERRNO && err != 0) return QString::fromLocal8Bit(strerror(err));
  return QString::fromUtf8(mosquitto_strerror(rc));
}

// The callbacks only take notes: the client tells its listeners after the library returns.
MqttClient* clientOf(void* obj) {
  return static_cast<MqttClient*>(obj);
}

}  // namespace

MqttClient::MqttClient(BrokerSettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)) {
  keepalive_.setInterval(1000);
  keepalive_.setTimerType(Qt::VeryCoarseTimer);
  connect(&keepalive_, &QTimer::timeout, this, &MqttClient::keepAlive);
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, &MqttClient::connectNext);
}

MqttClient::~MqttClient() {
  if (started_) close(QByteArray(), 3.0);
}

void MqttClient::start() {
  if (started_) return;
  started_ = true;
  // Listeners hear even a failure to begin from the event loop, as they do everything else.
  QMetaObject::invokeMethod(this, &MqttClient::connectNext, Qt::QueuedConnection);
}

void MqttClient::connectNext() {
  if (stopping_ || mq_ || pending_) return;
  static std::once_flag init;
  std::call_once(init, [] { mosquitto_lib_init(); });
  const BrokerSettings& s = settings_;
  ++generation_;
  attemptConnected_ = false;
  const QByteArray clientId = s.clientId.toUtf8();
  mosquitto* mq = mosquitto_new(clientId.isEmpty() ? nullptr : clientId.constData(), true, nullptr);
  if (!mq) {
    emit failed(QStringLiteral("out of memory"));
    return;
  }
  mosquitto_int_option(mq, MOSQ_OPT_PROTOCOL_VERSION,
                       s.version == MqttVersion::V5 ? MQTT_PROTOCOL_V5 : MQTT_PROTOCOL_V311);
  mosquitto_int_option(mq, MOSQ_OPT_SEND_MAXIMUM, 100);
  const QByteArray user = s.user.toUtf8(), pass = s.password.toUtf8();
  if (!user.isEmpty())
    mosquitto_username_pw_set(mq, user.constData(), pass.isEmpty() ? nullptr : pass.constData());
  const QByteArray will = s.willTopic.toUtf8();
  if (!will.isEmpty()) mosquitto_will_set(mq, will.constData(), 7, "offline", 1, true);
  if (s.url.tls) {
    const QByteArray ca = QFile::encodeName(s.ca), cert = QFile::encodeName(s.cert),
                     key = QFile::encodeName(s.key);
    const int rc = mosquitto_tls_set(mq, ca.isEmpty() ? nullptr : ca.constData(),
                                     ca.isEmpty() ? "/etc/ssl/certs" : nullptr,
                                     cert.isEmpty() ? nullptr : cert.constData(),
                                     key.isEmpty() ? nullptr : key.constData(), noKeyPassword);
    if (rc != MOSQ_ERR_SUCCESS) {
      mosquitto_destroy(mq);
      emit failed(QStringLiteral("TLS files not usable: %1")
                      .arg(QString::fromUtf8(mosquitto_strerror(rc))));
      return;
    }
    mosquitto_tls_opts_set(mq, 1 /* verify the server */, nullptr, nullptr);
    mosquitto_tls_insecure_set(mq, false);  // the server's name must match its certificate
  }
  mosquitto_connect_callback_set(mq, [](mosquitto*, void* obj, int rc) {
    if (obj) clientOf(obj)->libraryEvent({Event::Connack, rc, {}, {}});
  });
  mosquitto_publish_callback_set(mq, [](mosquitto*, void* obj, int mid) {
    if (obj) clientOf(obj)->libraryEvent({Event::Ack, mid, {}, {}});
  });
  mosquitto_message_callback_set(mq, [](mosquitto*, void* obj, const mosquitto_message* msg) {
    // Bounded before anything is copied: a flood of big messages costs the meters nothing.
    if (!obj || !msg || !msg->topic || msg->payloadlen < 0 || msg->payloadlen > kMaxInboundPayload)
      return;
    const std::size_t topicLength = strnlen(msg->topic, kMaxInboundTopic + 1);
    if (topicLength > std::size_t(kMaxInboundTopic)) return;
    clientOf(obj)->libraryEvent(
        {Event::Message, 0, QString::fromUtf8(msg->topic, qsizetype(topicLength)),
         QByteArray(static_cast<const char*>(msg->payload), msg->payloadlen)});
  });

  auto attempt = std::make_shared<Attempt>();
  attempt->mq = mq;
  pending_ = attempt;
  const std::string host = s.url.host;
  const int port = s.url.port, keepalive = s.keepalive;
  std::thread([this, attempt, host, port, keepalive] {
    const int rc = mosquitto_connect_async(attempt->mq, host.c_str(), port, keepalive);
    const QString reason = rc == MOSQ_ERR_SUCCESS ? QString() : failureOf(rc, errno);
    std::lock_guard<std::mutex> lock(attempt->m);
    attempt->done = true;
    attempt->rc = rc;
    attempt->reason = reason;
    if (attempt->abandoned) {
      mosquitto_destroy(attempt->mq);
      attempt->mq = nullptr;
      return;
    }
    // The client cannot go away while the attempt is not abandoned: its destructor waits for
    // `m` to give it up, and an event posted to it is dropped with it.
    QMetaObject::invokeMethod(
        this, [this, attempt] { onAttemptMade(attempt); }, Qt::QueuedConnection);
  }).detach();
}

void MqttClient::abandonAttempt() {
  if (!pending_) return;
  std::lock_guard<std::mutex> lock(pending_->m);
  pending_->abandoned = true;
  if (pending_->done && pending_->mq) {
    mosquitto_destroy(pending_->mq);
    pending_->mq = nullptr;
  }
  pending_.reset();
}

void MqttClient::onAttemptMade(const std::shared_ptr<Attempt>& attempt) {
  if (attempt != pending_) return;
  pending_.reset();
  int rc;
  QString reason;
  {
    std::lock_guard<std::mutex> lock(attempt->m);
    mq_ = attempt->mq;
    attempt->mq = nullptr;
    rc = attempt->rc;
    reason = attempt->reason;
  }
  if (!mq_) return;
  if (rc != MOSQ_ERR_SUCCESS) {
    dropInstance();
    lose(reason);
    return;
  }
  mosquitto_user_data_set(mq_, this);
  keepalive_.start();
  watch();
}

void MqttClient::service() {
  if (!mq_) return;
  errno = 0;
  // No waiting inside: the event loop has already seen the socket ready.
  const int rc = mosquitto_loop(mq_, 0, 1);
  settle(rc, failureOf(rc, errno));
}

void MqttClient::keepAlive() {
  if (!mq_) return;
  errno = 0;
  const int rc = mosquitto_loop_misc(mq_);
  settle(rc, failureOf(rc, errno));
}

void MqttClient::settle(int rc, const QString& failure) {
  const bool alive = rc == MOSQ_ERR_SUCCESS && mosquitto_socket(mq_) >= 0;
  QString reason;
  if (alive) {
    watch();
  } else {
    reason =
        rc == MOSQ_ERR_SUCCESS ? QString::fromUtf8(mosquitto_strerror(MOSQ_ERR_NO_CONN)) : failure;
    dropInstance();
  }
  // Acknowledgements read just before a loss still count.
  deliver();
  if (!alive) lose(reason);
}

void MqttClient::watch() {
  if (!mq_) return;
  const int fd = mosquitto_socket(mq_);
  if (fd < 0) return;
  if (reader_ && reader_->socket() != fd) dropNotifiers();
  if (!reader_) {
    reader_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(reader_, &QSocketNotifier::activated, this, &MqttClient::service);
    writer_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    writer_->setEnabled(false);
    connect(writer_, &QSocketNotifier::activated, this, &MqttClient::service);
  }
  const bool wantWrite = mosquitto_want_write(mq_);
  if (writer_->isEnabled() != wantWrite) writer_->setEnabled(wantWrite);
}
void MqttClient::dropNotifiers() {
  // Off before the event loop polls again: the library may already have closed the socket.
  for (QSocketNotifier** n : {&reader_, &writer_}) {
    if (!*n) continue;
    (*n)->setEnabled(false);
    (*n)->deleteLater();  // it may be the one whose signal is being handled
    *n = nullptr;
  }
}

void MqttClient::dropInstance() {
  dropNotifiers();
  keepalive_.stop();
  if (mq_) mosquitto_destroy(mq_);
  mq_ = nullptr;
}

void MqttClient::deliver() {
  std::vector<Event> events;
  events.swap(events_);
  const int generation = generation_;
  for (Event& e : events) {
    // A listener may have closed the client meanwhile.
    if (stopping_ || generation != generation_) return;
    switch (e.kind) {
      case Event::Connack:
        if (e.code == 0) {
          attemptConnected_ = true;
          connected_ = true;
          emit connected();
        } else {
          const bool v5 = settings_.version == MqttVersion::V5;
          const QString why = QString::fromUtf8(v5 ? mosquitto_reason_string(e.code)
                                                   : mosquitto_connack_string(e.code));
          emit refused(why, isAuthenticationRefusal(e.code, settings_.version));
        }
        break;
      case Event::Ack:
        if (connected_) emit published(e.code);
        break;
      case Event::Message:
        if (connected_) emit messageReceived(e.topic, e.payload);
        break;
    }
  }
}

void MqttClient::lose(const QString& reason) {
  connected_ = false;
  if (stopping_) return;
  if (attemptConnected_) delay_ = 1;
  attemptConnected_ = false;
  const int retry = delay_;
  retry_.start(retry * 1000);
  delay_ = nextReconnectDelay(delay_);
  emit connectionLost(reason, retry);
}

void MqttClient::breakLater(int rc) {
  // The write failed: the socket is gone even if reading has not noticed yet. Ended from the
  // event loop, not inside the caller's own handling of a reading.
  const int generation = generation_;
  const QString reason = failureOf(rc, errno);
  QMetaObject::invokeMethod(
      this,
      [this, generation, reason] {
        if (generation != generation_ || !mq_) return;
        dropInstance();
        deliver();
        lose(reason);
      },
      Qt::QueuedConnection);
}

int MqttClient::publish(const QString& topic, const QByteArray& payload, int qos, bool retain) {
  if (!connected_ || !mq_) return -1;
  int mid = -1;
  const QByteArray t = topic.toUtf8();
  errno = 0;
  const int rc = mosquitto_publish(mq_, &mid, t.constData(), int(payload.size()),
                                   payload.constData(), qos, retain);
  if (rc == MOSQ_ERR_ERRNO || rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_NO_CONN) breakLater(rc);
  if (rc != MOSQ_ERR_SUCCESS) return -1;
  watch();  // what the socket could not take at once goes when it can
  return mid;
}

bool MqttClient::subscribe(const QString& topic, int qos) {
  if (!connected_ || !mq_) return false;
  errno = 0;
  const int rc = mosquitto_subscribe(mq_, nullptr, topic.toUtf8().constData(), qos);
  if (rc == MOSQ_ERR_ERRNO || rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_NO_CONN) breakLater(rc);
  if (rc != MOSQ_ERR_SUCCESS) return false;
  watch();
  return true;
}

void MqttClient::close(const QByteArray& lastWords, double seconds) {
  if (!started_ || stopping_) return;
  stopping_ = true;
  retry_.stop();
  abandonAttempt();
  if (mq_ && connected_) {
    const QByteArray will = settings_.willTopic.toUtf8();
    if (!lastWords.isEmpty() && !will.isEmpty())
      mosquitto_publish(mq_, nullptr, will.constData(), int(lastWords.size()),
                        lastWords.constData(), 1, true);
    mosquitto_disconnect(mq_);
    // The library closes the socket once the goodbye is written; a broker that takes nothing
    // more holds the exit up no longer than `seconds`.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(qint64(std::max(0.0, seconds) * 1000));
    while (mosquitto_socket(mq_) >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) break;
      if (mosquitto_loop(mq_, int(std::min<qint64>(left, 100)), 1) != MOSQ_ERR_SUCCESS) break;
    }
  }
  dropInstance();
  events_.clear();
  connected_ = false;
}

}  // namespace lux::publish
