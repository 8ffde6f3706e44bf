// The publisher engine against a real Mosquitto broker started by the test: what two meters'
// readings become on the broker, a broker outage and restart, Home Assistant's status, TLS,
// passwords and their refusal.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <set>
#include <vector>

#include "Broker.h"
#include "publish/engine/Publisher.h"

namespace {

using lux::Reading;
using lux::test::Broker;
using lux::test::retained;
using lux::test::Subscriber;
using lux::test::waitFor;
using namespace lux::publish;

Reading reading(std::uint64_t frame, const QString& text, const QString& unit) {
  Reading r;
  r.text = text;
  r.value = text.toDouble();
  r.unit = unit;
  r.frameNumber = frame;
  r.pcTime =
      QDateTime::fromMSecsSinceEpoch(1765315820000 + qint64(frame) * 250, Qt::OffsetFromUTC, 3600);
  return r;
}

QJsonObject json(const QString& payload) {
  return QJsonDocument::fromJson(payload.toUtf8()).object();
}

class PublisherBroker : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    broker_ = std::make_unique<Broker>(dir_.path());
  }
  std::unique_ptr<Publisher> makePublisher(const QString& url, bool discovery = true,
                                           std::uint64_t spoolLimit = 1 << 20) {
    std::string why;
    BrokerSettings b;
    b.url = *parseBrokerUrl(url.toStdString(), &why);
    b.keepalive = 5;
    b.clientId = QStringLiteral("lux-test");
    Topics t;
    t.clientId = b.clientId;
    t.discovery = discovery;
    auto p = std::make_unique<Publisher>(b, t, dir_.filePath("state"), spoolLimit);
    MeterConfig a{"bench1", "/dev/null", "Bench 1", "Lab", 0.0};
    MeterConfig f{"window", "/dev/null", "", "", 0.0};
    p->addMeter(a);
    p->addMeter(f);
    return p;
  }
  QTemporaryDir dir_;
  std::unique_ptr<Broker> broker_;
};

TEST_F(PublisherBroker, TwoMetersReadingsStateAndDiscovery) {
  ASSERT_TRUE(broker_->start());
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "#"));
  auto p = makePublisher(broker_->url());
  QString why;
  ASSERT_TRUE(p->start(&why)) << why.toStdString();
  ASSERT_TRUE(waitFor(10, [&] { return p->brokerConnected(); }));
  for (std::uint64_t f = 1; f <= 5; ++f) {
    p->offer(0, reading(f, QString::number(f * 10) + ".5", "Lx"), qint64(f) * 250);
    p->offer(1, reading(f, "-" + QString::number(f) + ".00", "Fc"), qint64(f) * 250);
  }
  // A frame offered again is the same reading, not a new one.
  p->offer(0, reading(5, "50.5", "Lx"), 2000);
  ASSERT_TRUE(waitFor(10, [&] {
    return sub.count("luxpanel/bench1/reading") >= 5 && sub.count("luxpanel/window/reading") >= 5;
  }));
  EXPECT_TRUE(waitFor(5, [&] { return p->waiting() == 0; }));
  const QStringList a = sub.payloads("luxpanel/bench1/reading");
  const QStringList b = sub.payloads("luxpanel/window/reading");
  ASSERT_EQ(a.size(), 5);
  for (int i = 0; i < 5; ++i) {
    const QJsonObject ra = json(a[i]), rb = json(b[i]);
    EXPECT_EQ(ra["seq"].toInteger(), i + 1);
    EXPECT_EQ(ra["value"].toString(), QString::number((i + 1) * 10) + ".5");
    EXPECT_DOUBLE_EQ(ra["lux"].toDouble(), (i + 1) * 10 + 0.5);
    EXPECT_EQ(ra["unit"].toString(), "lx");
    EXPECT_EQ(rb["seq"].toInteger(), i + 1);
    EXPECT_DOUBLE_EQ(rb["lux"].toDouble(), -(i + 1) * 10.7639);
    EXPECT_EQ(rb["unit"].toString(), "fc");
  }
  EXPECT_EQ(json(a[0])["time"].toString(), "2025-12-09T22:30:20.250+01:00");

  // Retained: the process's availability, each meter's state and discovery config.
  EXPECT_EQ(retained(broker_->port(), "luxpanel/publisher/lux-test/availability"), "online");
  EXPECT_EQ(retained(broker_->port(), "luxpanel/bench1/state"), "online");
  const QJsonObject config =
      json(retained(broker_->port(), "homeassistant/sensor/luxpanel/bench1/config"));
  EXPECT_EQ(config["device_class"].toString(), "illuminance");
  EXPECT_EQ(config["unit_of_measurement"].toString(), "lx");
  EXPECT_EQ(config["state_class"].toString(), "measurement");
  EXPECT_EQ(config["unique_id"].toString(), "luxpanel_luxpanel_bench1");
  EXPECT_EQ(config["device"].toObject()["name"].toString(), "Bench 1");
  EXPECT_EQ(config["device"].toObject()["model"].toString(), "handheld light meter");
  EXPECT_EQ(config["availability"].toArray().size(), 2);

  // A meter unplugged changes its own state only.
  p->setMeterState(1, MeterState::Unplugged);
  EXPECT_TRUE(
      waitFor(5, [&] { return sub.payloads("luxpanel/window/state").contains("unplugged"); }));
  EXPECT_EQ(retained(broker_->port(), "luxpanel/bench1/state"), "online");

  // Home Assistant's restart: configs again; garbage on its status topic changes nothing.
  const int configsBefore = sub.count("homeassistant/sensor/luxpanel/bench1/config");
  QProcess::execute("mosquitto_pub", {"-p", QString::number(broker_->port()), "-h", "127.0.0.1",
                                      "-t", "homeassistant/status", "-m", QString(5000, 'x')});
  QProcess::execute("mosquitto_pub", {"-p", QString::number(broker_->port()), "-h", "127.0.0.1",
                                      "-t", "homeassistant/status", "-m", "online"});
  EXPECT_TRUE(waitFor(5, [&] {
    return sub.count("homeassistant/sensor/luxpanel/bench1/config") == configsBefore + 1;
  }));
  p->offer(0, reading(6, "60.5", "Lx"), 3000);
  EXPECT_TRUE(waitFor(5, [&] { return sub.count("luxpanel/bench1/reading") == 6; }));

  // A clean end says offline.
  p->stop();
  EXPECT_EQ(retained(broker_->port(), "luxpanel/publisher/lux-test/availability"), "offline");
}

TEST_F(PublisherBroker, EveryReadingOfABrokerOutageArrivesAfterwardsInOrder) {
  ASSERT_TRUE(broker_->start());
  auto p = makePublisher(broker_->url(), false);
  QString why;
  ASSERT_TRUE(p->start(&why));
  ASSERT_TRUE(waitFor(10, [&] { return p->brokerConnected(); }));
  std::uint64_t frame = 0;
  auto offerBoth = [&] {
    ++frame;
    p->offer(0, reading(frame, QString::number(frame), "Lx"), qint64(frame) * 250);
  };
  for (int i = 0; i < 4; ++i) offerBoth();
  ASSERT_TRUE(waitFor(5, [&] { return p->waiting() == 0; }));

  broker_->stop();
  ASSERT_TRUE(waitFor(10, [&] { return !p->brokerConnected(); }));
  // Three seconds of readings with nobody to take them, every 100 ms.
  for (int i = 0; i < 30; ++i) {
    offerBoth();
    waitFor(0.1, [] { return false; });
  }
  EXPECT_EQ(p->waiting(), 30u);
  const QString firstOutageTime =
      QString::fromStdString(isoTime(reading(5, "", "").pcTime.toMSecsSinceEpoch(), 3600));

  ASSERT_TRUE(broker_->restart());
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "luxpanel/bench1/reading"));
  // Reconnection waits at most the back-off in force (1, 2, 4 s ...).
  ASSERT_TRUE(waitFor(20, [&] { return p->waiting() == 0; }));
  for (int i = 0; i < 3; ++i) offerBoth();
  ASSERT_TRUE(waitFor(5, [&] {
    const QStringList got = sub.payloads("luxpanel/bench1/reading");
    return !got.isEmpty() && json(got.last())["seq"].toInteger() == 37;
  }));
  // The subscriber may have come in after the first replayed readings: from the first one it
  // saw, nothing is missing, nothing out of order, and the outage's readings kept their times.
  const QStringList got = sub.payloads("luxpanel/bench1/reading");
  qint64 expected = json(got.first())["seq"].toInteger();
  EXPECT_LE(expected, 6);
  for (const QString& g : got) {
    const QJsonObject r = json(g);
    if (r["seq"].toInteger() < expected) continue;  // a second copy is allowed, never a gap
    EXPECT_EQ(r["seq"].toInteger(), expected);
    EXPECT_EQ(r["value"].toString(), QString::number(expected));
    ++expected;
  }
  EXPECT_EQ(expected, 38);
  EXPECT_EQ(json(got[5 - json(got.first())["seq"].toInteger()])["time"].toString(),
            firstOutageTime);
}

TEST_F(PublisherBroker, ReadingsDroppedFromAFullSpoolAreCountedOnTheStateTopic) {
  // 8 KiB for two meters, and the broker away: the first meter's spool overflows.
  auto p = makePublisher(broker_->url(), false, 8192);
  QString why;
  ASSERT_TRUE(p->start(&why));
  for (std::uint64_t f = 1; f <= 1000; ++f)
    p->offer(0, reading(f, QString::number(f), "Lx"), qint64(f) * 250);
  p->offer(1, reading(1, "7", "Lx"), 250);
  const std::uint64_t dropped = p->dropped(0);
  EXPECT_GT(dropped, 500u);
  EXPECT_EQ(p->waiting(0) + dropped, 1000u);
  EXPECT_EQ(p->dropped(1), 0u);

  ASSERT_TRUE(broker_->start());
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "luxpanel/#"));
  ASSERT_TRUE(waitFor(20, [&] { return p->waiting() == 0; }));
  EXPECT_EQ(retained(broker_->port(), "luxpanel/bench1/state/dropped"), QString::number(dropped));
  EXPECT_EQ(retained(broker_->port(), "luxpanel/bench1/state"), "online");
  EXPECT_EQ(sub.count("luxpanel/window/state/dropped"), 0);
  // What was kept goes out, the newest, from the first not dropped on.
  ASSERT_TRUE(waitFor(5, [&] {
    const QStringList got = sub.payloads("luxpanel/bench1/reading");
    return !got.isEmpty() && json(got.last())["seq"].toInteger() == 1000;
  }));
  EXPECT_EQ(json(sub.payloads("luxpanel/bench1/reading").first())["seq"].toInteger(),
            qint64(dropped) + 1);

  // More dropped while connected: the count follows.
  broker_->stop();
  ASSERT_TRUE(waitFor(10, [&] { return !p->brokerConnected(); }));
  for (std::uint64_t f = 1001; f <= 2000; ++f)
    p->offer(0, reading(f, QString::number(f), "Lx"), qint64(f) * 250);
  const std::uint64_t more = p->dropped(0);
  EXPECT_GT(more, dropped);
  ASSERT_TRUE(broker_->restart());
  ASSERT_TRUE(waitFor(20, [&] { return p->waiting() == 0; }));
  EXPECT_EQ(retained(broker_->port(), "luxpanel/bench1/state/dropped"), QString::number(more));
  p->stop();
}

TEST_F(PublisherBroker, TheDroppedCountIsPublishedAgainByTheNextRun) {
  std::uint64_t dropped = 0;
  {
    // The broker away the whole run: the count never reached it.
    auto p = makePublisher(broker_->url(), false, 8192);
    QString why;
    ASSERT_TRUE(p->start(&why));
    for (std::uint64_t f = 1; f <= 1000; ++f)
      p->offer(0, reading(f, QString::number(f), "Lx"), qint64(f) * 250);
    dropped = p->dropped(0);
    ASSERT_GT(dropped, 500u);
    p->stop(0.5);
  }
  ASSERT_TRUE(broker_->start());
  auto p = makePublisher(broker_->url(), false, 8192);
  QString why;
  ASSERT_TRUE(p->start(&why));
  EXPECT_EQ(p->dropped(0), dropped);
  ASSERT_TRUE(waitFor(20, [&] { return p->waiting() == 0; }));
  EXPECT_EQ(retained(broker_->port(), "luxpanel/bench1/state/dropped"), QString::number(dropped));
  EXPECT_EQ(retained(broker_->port(), "luxpanel/bench1/state"), "online");
  p->stop();
}

TEST_F(PublisherBroker, AWrongPasswordIsRefusedAtStartAndTheRightOneGetsIn) {
  const QString passwords = dir_.filePath("passwd");
  ASSERT_EQ(QProcess::execute("mosquitto_passwd", {"-c", "-b", passwords, "lux", "s3cret"}), 0);
  ASSERT_TRUE(broker_->start({"password_file " + passwords}, false));
  // MQTT 3.1.1 says "not authorised" with return code 5, MQTT 5 with reason code 135 (or 134).
  for (const MqttVersion version : {MqttVersion::V311, MqttVersion::V5}) {
    for (const bool right : {false, true}) {
      std::string why;
      BrokerSettings b;
      b.url = *parseBrokerUrl(broker_->url().toStdString(), &why);
      b.user = "lux";
      b.password = right ? "s3cret" : "wrong";
      b.version = version;
      b.clientId = QStringLiteral("lux-%1-%2")
                       .arg(right ? "right" : "wrong")
                       .arg(version == MqttVersion::V5 ? 5 : 4);
      Topics t;
      t.clientId = b.clientId;
      Publisher p(b, t, dir_.filePath(b.clientId), 1 << 20);
      QString refusal;
      QObject::connect(&p, &Publisher::authenticationRefused,
                       [&](const QString& r) { refusal = r; });
      QString error;
      ASSERT_TRUE(p.start(&error));
      EXPECT_TRUE(waitFor(10, [&] { return p.brokerConnected() || !refusal.isEmpty(); }));
      EXPECT_EQ(p.brokerConnected(), right) << b.clientId.toStdString();
      EXPECT_EQ(refusal.isEmpty(), right) << refusal.toStdString();
      if (right) {
        EXPECT_EQ(retained(broker_->port(), t.availability(), {"-u", "lux", "-P", "s3cret"}),
                  "online");
      }
      p.stop(1.0);
    }
  }
}

// A CA, a server certificate for localhost and a client certificate, made by openssl now.
bool makeCertificates(const QString& d) {
  auto openssl = [&](const QStringList& args) {
    QProcess o;
    o.setWorkingDirectory(d);
    o.start("openssl", args);
    o.waitForFinished(30000);
    return o.exitCode() == 0;
  };
  QFile ext(d + "/ext.cnf");
  if (!ext.open(QIODevice::WriteOnly)) return false;
  ext.write("subjectAltName=DNS:localhost\n");
  ext.close();
  return openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout",
                  "ca.key", "-out", "ca.pem", "-subj", "/CN=lux test CA"}) &&
         openssl({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out",
                  "server.csr", "-subj", "/CN=localhost"}) &&
         openssl({"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                  "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "ext.cnf"}) &&
         openssl({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "client.key", "-out",
                  "client.csr", "-subj", "/CN=luxpanel"}) &&
         openssl({"x509", "-req", "-in", "client.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                  "-CAcreateserial", "-out", "client.pem", "-days", "2"});
}

TEST_F(PublisherBroker, AClientCertificateWhereTheBrokerAsksForOne) {
  const QString d = dir_.path();
  ASSERT_TRUE(makeCertificates(d));
  ASSERT_TRUE(broker_->start({"cafile " + d + "/ca.pem", "certfile " + d + "/server.pem",
                              "keyfile " + d + "/server.key", "require_certificate true"}));
  for (const bool withCertificate : {false, true}) {
    std::string why;
    BrokerSettings b;
    b.url = *parseBrokerUrl(
        QStringLiteral("mqtts://localhost:%1").arg(broker_->port()).toStdString(), &why);
    b.ca = d + "/ca.pem";
    if (withCertificate) {
      b.cert = d + "/client.pem";
      b.key = d + "/client.key";
    }
    b.clientId = withCertificate ? QStringLiteral("lux-cert") : QStringLiteral("lux-nocert");
    Topics t;
    t.clientId = b.clientId;
    Publisher p(b, t, dir_.filePath(b.clientId), 1 << 20);
    QString error;
    ASSERT_TRUE(p.start(&error));
    EXPECT_EQ(waitFor(withCertificate ? 10 : 3, [&] { return p.brokerConnected(); }),
              withCertificate);
    p.stop(1.0);
  }
}

TEST_F(PublisherBroker, TlsWithTheServerNameChecked) {
  const QString d = dir_.path();
  ASSERT_TRUE(makeCertificates(d));
  ASSERT_TRUE(broker_->start({"cafile " + d + "/ca.pem", "certfile " + d + "/server.pem",
                              "keyfile " + d + "/server.key"}));
  // The certificate names localhost: reached by that name it is accepted, by 127.0.0.1 not.
  for (const char* host : {"127.0.0.1", "localhost"}) {
    std::string why;
    BrokerSettings b;
    b.url = *parseBrokerUrl(
        QStringLiteral("mqtts://%1:%2").arg(host).arg(broker_->port()).toStdString(), &why);
    b.ca = d + "/ca.pem";
    b.clientId = QStringLiteral("lux-tls-%1").arg(host);
    Topics t;
    t.clientId = b.clientId;
    Publisher p(b, t, dir_.filePath(b.clientId), 1 << 20);
    QString error;
    ASSERT_TRUE(p.start(&error));
    const bool byName = QString(host) == "localhost";
    EXPECT_EQ(waitFor(byName ? 10 : 3, [&] { return p.brokerConnected(); }), byName) << host;
    p.stop(1.0);
  }
}

// The connection on its own: no thread of the library's polls the socket, so what the socket
// cannot take at once, the keepalive and the broker's going away all hang on the event loop.
class BrokerConnection : public PublisherBroker {
 protected:
  std::unique_ptr<MqttClient> makeClient(int keepalive) {
    std::string why;
    BrokerSettings b;
    b.url = *parseBrokerUrl(broker_->url().toStdString(), &why);
    b.keepalive = keepalive;
    b.clientId = QStringLiteral("lux-connection");
    auto c = std::make_unique<MqttClient>(b);
    QObject::connect(c.get(), &MqttClient::connected, [this] { ++connects_; });
    QObject::connect(c.get(), &MqttClient::connectionLost,
                     [this](const QString&, int retry) { retries_.push_back(retry); });
    QObject::connect(c.get(), &MqttClient::published, [this](int mid) { acked_.insert(mid); });
    return c;
  }
  int connects_ = 0;
  std::vector<int> retries_;
  std::set<int> acked_;
};

TEST_F(BrokerConnection, ABurstFarBiggerThanTheSocketTakesIsAllAcknowledgedInOrder) {
  ASSERT_TRUE(broker_->start());
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "burst/#"));
  auto c = makeClient(30);
  c->start();
  ASSERT_TRUE(waitFor(10, [&] { return c->isConnected(); }));
  // One message of 16 MiB: far more than a loopback socket buffers, and nothing comes back
  // before the broker has all of it, so the rest must go out as the socket drains.
  const int big = c->publish(QStringLiteral("big"), QByteArray(16 << 20, 'x'), 1, false);
  ASSERT_GE(big, 0);
  EXPECT_TRUE(waitFor(20, [&] { return acked_.count(big) == 1; }));
  acked_.clear();
  // 600 messages of 16 KiB handed over in one go: acknowledged as they come, in order.
  std::set<int> mids;
  for (int i = 0; i < 600; ++i) {
    QByteArray payload = QByteArray::number(i).leftJustified(16384, '.');
    const int mid = c->publish(QStringLiteral("burst/%1").arg(i % 3), payload, 1, false);
    ASSERT_GE(mid, 0) << i;
    mids.insert(mid);
  }
  EXPECT_EQ(mids.size(), 600u);
  EXPECT_TRUE(waitFor(20, [&] { return acked_.size() == 600; })) << acked_.size();
  EXPECT_EQ(acked_, mids);
  QStringList burst;
  ASSERT_TRUE(waitFor(20, [&] {
    burst = sub.lines().filter(QRegularExpression(QStringLiteral("^burst/")));
    return burst.size() >= 600;
  })) << burst.size();
  for (int i = 0; i < 600; ++i)
    EXPECT_TRUE(burst.at(i).startsWith(QStringLiteral("burst/%1 %2.").arg(i % 3).arg(i))) << i;
  EXPECT_EQ(connects_, 1);
  EXPECT_TRUE(retries_.empty());
  c->close(QByteArray());
}

TEST_F(BrokerConnection, AnIdleConnectionOutlivesTheBrokersKeepaliveAndALossIsNoticedAtOnce) {
  ASSERT_TRUE(broker_->start());
  auto c = makeClient(5);
  c->start();
  ASSERT_TRUE(waitFor(10, [&] { return c->isConnected(); }));
  // The broker gives up on a client silent for one and a half keepalives, checked now and
  // then: between 7.5 and about 11 s here.
  waitFor(15, [] { return false; });
  EXPECT_TRUE(c->isConnected());
  EXPECT_EQ(connects_, 1);
  EXPECT_TRUE(retries_.empty());
  const int mid = c->publish(QStringLiteral("still/here"), "yes", 1, false);
  EXPECT_GE(mid, 0);
  EXPECT_TRUE(waitFor(5, [&] { return acked_.count(mid) == 1; }));

  // A broker that goes away is noticed from the socket, long before a keepalive would tell.
  QElapsedTimer gone;
  broker_->stop();
  gone.start();
  EXPECT_TRUE(waitFor(3, [&] { return !retries_.empty(); }));
  EXPECT_LT(gone.elapsed(), 3000);
  EXPECT_FALSE(c->isConnected());
  EXPECT_EQ(c->publish(QStringLiteral("still/here"), "no", 1, false), -1);
  ASSERT_EQ(retries_.size(), 1u);
  EXPECT_EQ(retries_[0], 1);
  // Back in about a second once the broker is.
  ASSERT_TRUE(broker_->restart());
  EXPECT_TRUE(waitFor(6, [&] { return c->isConnected(); }));
  EXPECT_EQ(connects_, 2);
  c->close(QByteArray());
}

}  // namespace
