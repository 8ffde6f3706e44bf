#include "publish/engine/MqttClient.h"

#include <errno.h>
#include <mosquitto.h>
#include <string.h>

#include <QFile>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "publish/engine/PublishLog.h"

Q_LOGGING_CATEGORY(lux::publish::lcPublish, "lux.publish", QtWarningMsg)

namespace lux::publish {

int nextReconnectDelay(int previousSeconds) {
  if (previousSeconds < 1) return 1;
  return previousSeconds >= 30 ? 60 : previousSeconds * 2;
}

struct MqttClient::Shared {
  // `m` guards the instance pointer and the flags. The network thread never holds it while inside
  // the library (whose callbacks hold the library's own locks), so the two cannot deadlock.
  std::mutex m;
  std::condition_variable cv;
  BrokerSettings settings;
  mosquitto* mosq = nullptr;  // the current instance; used under `m` only from the Qt thread
  std::atomic<int> connectedGeneration{0};
  std::mutex sinkMutex;
  bool stopping = false;
  bool closing = false;
  bool finished = false;
  MqttClient* sink = nullptr;  // cleared under `sinkMutex` before the client goes away
  std::thread thread;
  // Acknowledgements on their way to the client's thread: one wake-up carries all that came
  // in before the client took them, instead of one each.
  std::mutex ackMutex;
  std::vector<int> acks;
  int ackGeneration = 0;

  // Runs `f` on the client's thread, if the client still exists.
  template <typename F>
  void post(F f) {
    std::lock_guard<std::mutex> lock(sinkMutex);
    if (!sink) return;
    MqttClient* c = sink;
    QMetaObject::invokeMethod(
        c, [c, f] { f(c); }, Qt::QueuedConnection);
  }

  void run();
};

namespace {

struct Attempt {
  MqttClient::Shared* shared;
  int generation;
  bool connected = false;
};

bool isAuthenticationRefusal(int rc, MqttVersion v) {
  if (v == MqttVersion::V5)
    return rc == 134 || rc == 135;  // bad user name or password; not authorised
  return rc == 4 || rc == 5;
}

// An encrypted client key would make OpenSSL ask on the terminal; a service has nobody there.
int noKeyPassword(char*, int, int, void*) {
  return 0;
}

QByteArray bytes(const QString& s) {
  return s.toUtf8();
}

}  // namespace

void MqttClient::Shared::run() {
  static std::once_flag init;
  std::call_once(init, [] { mosquitto_lib_init(); });
  const BrokerSettings& s = settings;
  const QByteArray host = bytes(QString::fromStdString(s.url.host));
  const QByteArray clientId = bytes(s.clientId), user = bytes(s.user), pass = bytes(s.password);
  const QByteArray will = bytes(s.willTopic);
  const QByteArray ca = QFile::encodeName(s.ca), cert = QFile::encodeName(s.cert),
                   key = QFile::encodeName(s.key);
  int delay = 1;
  for (int generation = 1;; ++generation) {
    Attempt attempt{this, generation};
    mosquitto* mq =
        mosquitto_new(clientId.isEmpty() ? nullptr : clientId.constData(), true, &attempt);
    if (!mq) {
      post([](MqttClient* c) { emit c->failed(QStringLiteral("out of memory")); });
      break;
    }
    mosquitto_threaded_set(mq, true);
    mosquitto_int_option(mq, MOSQ_OPT_PROTOCOL_VERSION,
                         s.version == MqttVersion::V5 ? MQTT_PROTOCOL_V5 : MQTT_PROTOCOL_V311);
    mosquitto_int_option(mq, MOSQ_OPT_SEND_MAXIMUM, 100);
    if (!user.isEmpty())
      mosquitto_username_pw_set(mq, user.constData(), pass.isEmpty() ? nullptr : pass.constData());
    if (!will.isEmpty()) mosquitto_will_set(mq, will.constData(), 7, "offline", 1, true);
    if (s.url.tls) {
      const int rc = mosquitto_tls_set(mq, ca.isEmpty() ? nullptr : ca.constData(),
                                       ca.isEmpty() ? "/etc/ssl/certs" : nullptr,
                                       cert.isEmpty() ? nullptr : cert.constData(),
                                       key.isEmpty() ? nullptr : key.constData(), noKeyPassword);
      if (rc != MOSQ_ERR_SUCCESS) {
        const QString why = QString::fromUtf8(mosquitto_strerror(rc));
        post([why](MqttClient* c) {
          emit c->failed(QStringLiteral("TLS files not usable: %1").arg(why));
        });
        mosquitto_destroy(mq);
        break;
      }
      mosquitto_tls_opts_set(mq, 1 /* verify the server */, nullptr, nullptr);
      mosquitto_tls_insecure_set(mq, false);  // the server's name must match its certificate
    }
    mosquitto_connect_callback_set(mq, [](mosquitto*, void* obj, int rc) {
      auto* a = static_cast<Attempt*>(obj);
      Shared* sh = a->shared;
      const int gen = a->generation;
      if (rc == 0) {
        a->connected = true;
        sh->connectedGeneration = gen;
        sh->post([gen](MqttClient* c) { c->onConnected(gen); });
        return;
      }
      const bool v5 = sh->settings.version == MqttVersion::V5;
      const QString why =
          QString::fromUtf8(v5 ? mosquitto_reason_string(rc) : mosquitto_connack_string(rc));
      const bool auth = isAuthenticationRefusal(rc, sh->settings.version);
      sh->post([why, auth](MqttClient* c) { emit c->refused(why, auth); });
    });
    mosquitto_publish_callback_set(mq, [](mosquitto*, void* obj, int mid) {
      auto* a = static_cast<Attempt*>(obj);
      Shared* sh = a->shared;
      bool wake = false;
      {
        std::lock_guard<std::mutex> lock(sh->ackMutex);
        if (sh->ackGeneration != a->generation) {
          sh->acks.clear();  // an earlier connection's, which nobody waits for any more
          sh->ackGeneration = a->generation;
        }
        wake = sh->acks.empty();
        sh->acks.push_back(mid);
      }
      if (wake) sh->post([](MqttClient* c) { c->onPublished(); });
    });
    mosquitto_message_callback_set(mq, [](mosquitto*, void* obj, const mosquitto_message* msg) {
      // Bounded before anything is copied: a flood of big messages costs the meters nothing.
      if (!msg || !msg->topic || msg->payloadlen < 0 || msg->payloadlen > kMaxInboundPayload)
        return;
      const std::size_t topicLength = strnlen(msg->topic, kMaxInboundTopic + 1);
      if (topicLength > std::size_t(kMaxInboundTopic)) return;
      auto* a = static_cast<Attempt*>(obj);
      const int gen = a->generation;
      const QString topic = QString::fromUtf8(msg->topic, qsizetype(topicLength));
      const QByteArray payload(static_cast<const char*>(msg->payload), msg->payloadlen);
      a->shared->post([gen, topic, payload](MqttClient* c) { c->onMessage(gen, topic, payload); });
    });
    {
      std::lock_guard<std::mutex> lock(m);
      mosq = mq;
    }
    int rc = mosquitto_connect_async(mq, host.constData(), s.url.port, s.keepalive);
    QString reason;
    if (rc == MOSQ_ERR_ERRNO) reason = QString::fromLocal8Bit(strerror(errno));
    const auto closingSince = std::make_shared<std::chrono::steady_clock::time_point>();
    bool closeSeen = false;
    while (rc == MOSQ_ERR_SUCCESS) {
      {
        std::lock_guard<std::mutex> lock(m);
        if (stopping && !closing) break;
        if (closing && !closeSeen) {
          closeSeen = true;
          *closingSince = std::chrono::steady_clock::now();
        }
      }
      if (closeSeen && std::chrono::steady_clock::now() - *closingSince > std::chrono::seconds(2))
        break;
      rc = mosquitto_loop(mq, 100, 1);
      if (rc == MOSQ_ERR_ERRNO) reason = QString::fromLocal8Bit(strerror(errno));
    }
    if (reason.isEmpty() && rc != MOSQ_ERR_SUCCESS)
      reason = QString::fromUtf8(mosquitto_strerror(rc));
    {
      std::lock_guard<std::mutex> lock(m);
      mosq = nullptr;
      connectedGeneration = 0;
    }
    mosquitto_destroy(mq);
    if (attempt.connected) delay = 1;
    {
      std::unique_lock<std::mutex> lock(m);
      if (stopping) break;
    }
    post([generation, reason, delay](MqttClient* c) { c->onLost(generation, reason, delay); });
    std::unique_lock<std::mutex> lock(m);
    if (cv.wait_for(lock, std::chrono::seconds(delay), [this] { return stopping; })) break;
    delay = nextReconnectDelay(delay);
  }
  std::lock_guard<std::mutex> lock(m);
  finished = true;
  cv.notify_all();
}

MqttClient::MqttClient(BrokerSettings settings, QObject* parent)
    : QObject(parent), shared_(std::make_shared<Shared>()) {
  shared_->settings = std::move(settings);
  shared_->sink = this;
}

MqttClient::~MqttClient() {
  {
    std::lock_guard<std::mutex> lock(shared_->sinkMutex);
    shared_->sink = nullptr;
  }
  if (started_) close(QByteArray(), 3.0);
}

void MqttClient::start() {
  if (started_) return;
  started_ = true;
  auto shared = shared_;
  shared_->thread = std::thread([shared] { shared->run(); });
}

int MqttClient::publish(const QString& topic, const QByteArray& payload, int qos, bool retain) {
  std::lock_guard<std::mutex> lock(shared_->m);
  if (!connected_ || !shared_->mosq || shared_->connectedGeneration != generation_) return -1;
  int mid = -1;
  const QByteArray t = topic.toUtf8();
  const int rc = mosquitto_publish(shared_->mosq, &mid, t.constData(), int(payload.size()),
                                   payload.constData(), qos, retain);
  return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

bool MqttClient::subscribe(const QString& topic, int qos) {
  std::lock_guard<std::mutex> lock(shared_->m);
  if (!connected_ || !shared_->mosq || shared_->connectedGeneration != generation_) return false;
  return mosquitto_subscribe(shared_->mosq, nullptr, topic.toUtf8().constData(), qos) ==
         MOSQ_ERR_SUCCESS;
}

void MqttClient::close(const QByteArray& lastWords, double seconds) {
  if (!started_) return;
  std::unique_lock<std::mutex> lock(shared_->m);
  if (!shared_->stopping) {
    shared_->stopping = true;
    if (shared_->mosq && connected_ && shared_->connectedGeneration == generation_) {
      const QByteArray will = shared_->settings.willTopic.toUtf8();
      if (!lastWords.isEmpty() && !will.isEmpty())
        mosquitto_publish(shared_->mosq, nullptr, will.constData(), int(lastWords.size()),
                          lastWords.constData(), 1, true);
      mosquitto_disconnect(shared_->mosq);
      shared_->closing = true;
    }
    shared_->cv.notify_all();
  }
  connected_ = false;
  const bool done = shared_->cv.wait_for(lock, std::chrono::milliseconds(qint64(seconds * 1000)),
                                         [this] { return shared_->finished; });
  lock.unlock();
  if (shared_->thread.joinable()) {
    // A thread still inside a name lookup cannot be interrupted; it holds its own share of
    // the state and ends on its own.
    if (done)
      shared_->thread.join();
    else
      shared_->thread.detach();
  }
}

void MqttClient::onConnected(int generation) {
  generation_ = generation;
  connected_ = true;
  emit connected();
}

void MqttClient::onLost(int generation, const QString& reason, int retry) {
  if (generation == generation_) connected_ = false;
  emit connectionLost(reason, retry);
}

void MqttClient::onPublished() {
  std::vector<int> acks;
  int generation = 0;
  {
    std::lock_guard<std::mutex> lock(shared_->ackMutex);
    acks.swap(shared_->acks);
    generation = shared_->ackGeneration;
  }
  for (const int mid : acks) {
    if (generation != generation_ || !connected_) return;
    emit published(mid);
  }
}

void MqttClient::onMessage(int generation, const QString& topic, const QByteArray& payload) {
  if (generation == generation_ && connected_) emit messageReceived(topic, payload);
}

}  // namespace lux::publish
