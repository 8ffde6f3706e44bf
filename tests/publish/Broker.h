#pragma once
// A Mosquitto broker of the test's own on 127.0.0.1 at a free port, and a mosquitto_sub that
// records everything it sees, for the publisher's tests. Nothing persists in the broker, so a
// restart forgets every message, as a broker that lost its disk would.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

namespace lux::test {

// Repeats `check` while events run, until it holds or `seconds` have passed.
inline bool waitFor(double seconds, const std::function<bool()>& check) {
  QElapsedTimer t;
  t.start();
  while (!check()) {
    if (t.elapsed() > seconds * 1000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

inline int freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(fd);
  return port;
}

inline bool portAnswers(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(quint16(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

class Broker {
 public:
  explicit Broker(QString dir) : dir_(std::move(dir)), port_(freePort()) {}
  ~Broker() { stop(); }

  // `extra` lines go into the listener's configuration (password_file, certfile, ...).
  bool start(const QStringList& extra = {}, bool anonymous = true) {
    extra_ = extra;
    anonymous_ = anonymous;
    return restart();
  }
  bool restart() {
    const QString conf = dir_ + "/mosquitto.conf";
    QFile f(conf);
    if (!f.open(QIODevice::WriteOnly)) return false;
    // Started as root, Mosquitto would become user "mosquitto" and lose the test's files.
    const passwd* pw = ::getpwuid(::geteuid());
    QByteArray text = "persistence false\nper_listener_settings false\n";
    if (pw) text += QByteArray("user ") + pw->pw_name + "\n";
    text += "listener " + QByteArray::number(port_) + " 127.0.0.1\n";
    text += anonymous_ ? "allow_anonymous true\n" : "allow_anonymous false\n";
    for (const QString& l : extra_) text += l.toUtf8() + "\n";
    f.write(text);
    f.close();
    process_.setProgram(QStringLiteral("mosquitto"));
    process_.setArguments({"-c", conf});
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start();
    if (!process_.waitForStarted(5000)) return false;
    return waitFor(
               10,
               [&] { return portAnswers(port_) || process_.state() == QProcess::NotRunning; }) &&
           process_.state() == QProcess::Running;
  }
  void stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(3000);
    }
  }
  int port() const { return port_; }
  QString url(const char* scheme = "mqtt") const {
    return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port_);
  }
  QString log() { return QString::fromUtf8(process_.readAll()); }

 private:
  QString dir_;
  int port_;
  QStringList extra_;
  bool anonymous_ = true;
  QProcess process_;
};

// mosquitto_sub on `topic`, every message as "topic payload".
class Subscriber {
 public:
  bool start(int port, const QString& topic, const QStringList& extra = {}) {
    port_ = port;
    process_.setProgram(QStringLiteral("mosquitto_sub"));
    process_.setArguments(QStringList{"-h", "127.0.0.1", "-p", QString::number(port), "-t", topic,
                                      "-t", "lux-test-probe", "-v", "-q", "1"} +
                          extra);
    process_.start();
    if (!process_.waitForStarted(5000)) return false;
    // Subscribed once a probe comes back through it.
    return waitFor(10, [&] {
      QProcess::execute(
          QStringLiteral("mosquitto_pub"),
          {"-h", "127.0.0.1", "-p", QString::number(port_), "-t", "lux-test-probe", "-m", "probe"});
      return waitFor(0.3, [&] { return count("lux-test-probe") > 0; });
    });
  }
  // After a broker restart: true once mosquitto_sub is subscribed again.
  bool resubscribed() {
    const int before = count("lux-test-probe");
    return waitFor(15, [&] {
      QProcess::execute(
          QStringLiteral("mosquitto_pub"),
          {"-h", "127.0.0.1", "-p", QString::number(port_), "-t", "lux-test-probe", "-m", "probe"});
      return waitFor(0.3, [&] { return count("lux-test-probe") > before; });
    });
  }
  ~Subscriber() {
    process_.kill();
    process_.waitForFinished(3000);
  }
  // Every "topic payload" line so far.
  const QStringList& lines() {
    pending_ += process_.readAllStandardOutput();
    int nl;
    while ((nl = pending_.indexOf('\n')) >= 0) {
      lines_ << QString::fromUtf8(pending_.left(nl));
      pending_.remove(0, nl + 1);
    }
    return lines_;
  }
  // The payloads of `topic`, in arrival order.
  QStringList payloads(const QString& topic) {
    QStringList out;
    for (const QString& l : lines())
      if (l.startsWith(topic + ' ')) out << l.mid(topic.size() + 1);
    return out;
  }
  int count(const QString& topic) { return int(payloads(topic).size()); }

 private:
  int port_ = 0;
  QProcess process_;
  QByteArray pending_;
  QStringList lines_;
};

// The retained message of `topic` as the broker keeps it now ("" when none).
inline QString retained(int port, const QString& topic, const QStringList& extra = {}) {
  QProcess p;
  p.start(QStringLiteral("mosquitto_sub"),
          QStringList{"-h", "127.0.0.1", "-p", QString::number(port), "-t", topic,
                      "--retained-only", "-C", "1", "-W", "2"} +
              extra);
  p.waitForFinished(5000);
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

}  // namespace lux::test
