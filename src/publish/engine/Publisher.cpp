#include "publish/engine/Publisher.h"

#include <QDir>

#include "publish/engine/PublishLog.h"

namespace lux::publish {

const char* stateWord(MeterState s) {
  switch (s) {
    case MeterState::Online:
      return "online";
    case MeterState::Silent:
      return "silent";
    case MeterState::Unplugged:
      return "unplugged";
  }
  return "online";
}

std::optional<SpoolRecord> spoolRecordOf(const Reading& r) {
  if (r.banner || r.text.isEmpty() || !r.pcTime.isValid()) return std::nullopt;
  SpoolRecord s;
  s.epochMs = r.pcTime.toMSecsSinceEpoch();
  // The offset as the wall-clock time less the moment: offsetFromUtc() would look the local
  // time zone up a second time (a stat of its file, for every reading).
  const QDateTime wall(r.pcTime.date(), r.pcTime.time(), Qt::UTC);
  s.offsetSeconds = int((wall.toMSecsSinceEpoch() - s.epochMs) / 1000);
  s.shown = r.text.toStdString();
  s.overload = r.overload;
  if (r.candela)
    s.unit = "cd";
  else if (r.lxHour)
    s.unit = "lx-h";
  else if (r.fcHour)
    s.unit = "fc-h";
  else if (r.unit == QLatin1String("Lx"))
    s.unit = "lx";
  else if (r.unit == QLatin1String("Fc"))
    s.unit = "fc";
  const bool bits[] = {r.rel, r.ref,  r.percent, r.hold,   r.timeHold,
                       r.avg, r.comp, r.candela, r.fcHour, r.lxHour};
  for (unsigned i = 0; i < 10; ++i)
    if (bits[i]) s.modes |= 1u << i;
  // The spool takes only what it can read back: a reading it could not is not sent at all.
  s.seq = 1;
  const std::string bytes = encodeSpoolRecord(s, true, 0);
  std::size_t length = 0;
  bool key = false;
  const auto back = decodeSpoolRecord(bytes, 0, 0, &length, &key);
  if (!back || back->shown != s.shown || back->epochMs != s.epochMs ||
      back->offsetSeconds != s.offsetSeconds || back->unit != s.unit || back->modes != s.modes)
    return std::nullopt;
  s.seq = 0;
  return s;
}

Publisher::Publisher(BrokerSettings broker, Topics topics, QString stateDir,
                     std::uint64_t spoolLimit, QObject* parent)
    : QObject(parent),
      broker_(std::move(broker)),
      topics_(std::move(topics)),
      stateDir_(std::move(stateDir)),
      spoolLimit_(spoolLimit) {
  broker_.willTopic = topics_.availability();
  syncTimer_.setInterval(1000);
  // The thread that runs the publisher may poll meters too: the disk is waited for elsewhere.
  connect(&syncTimer_, &QTimer::timeout, this, [this] {
    for (auto& m : meters_)
      if (m->spool) m->spool->sync(flusher_.get());
  });
  // Home Assistant's "online" after its restart: the configs go again once, a moment later, however
  // many times it is said meanwhile.
  announceTimer_.setSingleShot(true);
  announceTimer_.setInterval(1000);
  connect(&announceTimer_, &QTimer::timeout, this, [this] {
    if (brokerConnected()) announce();
  });
}

Publisher::~Publisher() {
  for (auto& m : meters_)
    if (m->spool) m->spool->sync();
}

int Publisher::addMeter(const MeterConfig& meter) {
  auto m = std::make_unique<Meter>();
  m->config = meter;
  m->id = QString::fromStdString(meter.id);
  m->sampler = std::make_unique<Sampler>(std::int64_t(meter.every * 1000.0 + 0.5));
  meters_.push_back(std::move(m));
  return int(meters_.size()) - 1;
}

bool Publisher::start(QString* error) {
  if (!QDir().mkpath(stateDir_)) {
    *error = QStringLiteral("cannot create the state directory %1").arg(stateDir_);
    return false;
  }
  const std::uint64_t share = meters_.empty() ? spoolLimit_ : spoolLimit_ / meters_.size();
  for (auto& m : meters_) {
    m->spool = std::make_unique<Spool>(stateDir_, m->id, share);
    if (!m->spool->open(error)) return false;
    if (m->spool->waiting() > 0)
      qCInfo(lcPublish).noquote() << QStringLiteral("%1: %2 reading(s) of an earlier run to send")
                                         .arg(m->id)
                                         .arg(m->spool->waiting());
  }
  flusher_ = std::make_unique<DiskFlusher>();
  client_ = std::make_unique<MqttClient>(broker_);
  connect(client_.get(), &MqttClient::connected, this, &Publisher::connected);
  connect(client_.get(), &MqttClient::connectionLost, this, &Publisher::connectionLost);
  connect(client_.get(), &MqttClient::refused, this, &Publisher::refused);
  connect(client_.get(), &MqttClient::failed, this, &Publisher::failed);
  connect(client_.get(), &MqttClient::published, this, &Publisher::published);
  connect(client_.get(), &MqttClient::messageReceived, this, &Publisher::messageReceived);
  syncTimer_.start();
  client_->start();
  return true;
}

void Publisher::stop(double seconds) {
  if (stopped_) return;
  stopped_ = true;
  syncTimer_.stop();
  announceTimer_.stop();
  for (auto& m : meters_)
    if (m->spool) m->spool->sync();
  if (client_) client_->close("offline", seconds);
}

std::uint64_t Publisher::waiting() const {
  std::uint64_t n = 0;
  for (const auto& m : meters_)
    if (m->spool) n += m->spool->waiting();
  return n;
}

std::uint64_t Publisher::waiting(int index) const {
  const auto& m = meters_.at(std::size_t(index));
  return m->spool ? m->spool->waiting() : 0;
}

std::uint64_t Publisher::dropped(int index) const {
  const auto& m = meters_.at(std::size_t(index));
  return m->spool ? m->spool->dropped() : 0;
}

void Publisher::offer(int index, const Reading& reading, qint64 monotonicMs) {
  if (stopped_ || index < 0 || std::size_t(index) >= meters_.size()) return;
  Meter& m = *meters_[std::size_t(index)];
  if (!m.spool || reading.banner) return;
  if (!m.sampler->offer(reading.frameNumber, monotonicMs)) return;
  auto record = spoolRecordOf(reading);
  if (!record) return;
  record->seq = m.spool->nextSeq();
  if (!m.spool->append(*record)) {
    qCWarning(lcPublish).noquote()
        << QStringLiteral("%1: reading %2 could not be kept (disk)").arg(m.id).arg(record->seq);
    return;
  }
  if (m.spool->dropped() != m.droppedSent && brokerConnected()) publishState(m);
  pump(index);
  emit statusChanged();
}

void Publisher::setMeterState(int index, MeterState state) {
  if (index < 0 || std::size_t(index) >= meters_.size()) return;
  Meter& m = *meters_[std::size_t(index)];
  if (m.state == state) return;
  m.state = state;
  qCInfo(lcPublish).noquote() << m.id << "is" << stateWord(state);
  if (brokerConnected()) publishState(m);
}

void Publisher::publishState(Meter& m) {
  client_->publish(topics_.state(m.id), stateWord(m.state), 1, true);
  const std::uint64_t dropped = m.spool ? m.spool->dropped() : 0;
  if (dropped > 0 || m.droppedSent > 0) {
    if (client_->publish(topics_.dropped(m.id), QByteArray::number(quint64(dropped)), 1, true) >= 0)
      m.droppedSent = dropped;
  }
}

void Publisher::announce() {
  client_->publish(topics_.availability(), "online", 1, true);
  for (auto& m : meters_) {
    if (topics_.discovery) {
      DiscoveryInfo d;
      d.discoveryPrefix = topics_.discoveryPrefix.toStdString();
      d.prefix = topics_.prefix.toStdString();
      d.meterId = m->config.id;
      d.name = m->config.name;
      d.area = m->config.area;
      d.availabilityTopic = topics_.availability().toStdString();
      d.swVersion = LUXPANEL_VERSION;
      client_->publish(QString::fromStdString(discoveryTopic(d)),
                       QByteArray::fromStdString(discoveryJson(d)), 1, true);
    }
    publishState(*m);
  }
}

void Publisher::connected() {
  qCInfo(lcPublish).noquote() << QStringLiteral("connected to %1:%2")
                                     .arg(QString::fromStdString(broker_.url.host))
                                     .arg(broker_.url.port);
  if (everConnected_)
    qCWarning(lcPublish).noquote()
        << QStringLiteral("broker %1:%2 reached again; %3 reading(s) to send")
               .arg(QString::fromStdString(broker_.url.host))
               .arg(broker_.url.port)
               .arg(waiting());
  everConnected_ = true;
  tried_ = true;
  sent_.clear();
  if (topics_.discovery) client_->subscribe(topics_.discoveryPrefix + QStringLiteral("/status"), 1);
  announce();
  for (std::size_t i = 0; i < meters_.size(); ++i) {
    meters_[i]->spool->rewind();
    pump(int(i));
  }
  emit statusChanged();
}

void Publisher::connectionLost(const QString& reason, int retry) {
  qCWarning(lcPublish).noquote() << QStringLiteral(
                                        "broker %1:%2 not reachable (%3); next attempt in %4 s")
                                        .arg(QString::fromStdString(broker_.url.host))
                                        .arg(broker_.url.port)
                                        .arg(reason)
                                        .arg(retry);
  tried_ = true;
  sent_.clear();
  for (auto& m : meters_)
    if (m->spool) m->spool->rewind();
  emit statusChanged();
}

void Publisher::refused(const QString& reason, bool authentication) {
  qCWarning(lcPublish).noquote() << QStringLiteral("broker refused the connection: %1").arg(reason);
  if (authentication && !everConnected_) emit authenticationRefused(reason);
}

void Publisher::published(int mid) {
  const auto it = sent_.constFind(mid);
  if (it == sent_.constEnd()) return;
  const Sent s = *it;
  sent_.erase(it);
  if (s.meter < 0) return;
  meters_[std::size_t(s.meter)]->spool->acknowledge(s.seq);
  emit acknowledged(s.meter, s.seq);
  pump(s.meter);
  emit statusChanged();
}

void Publisher::messageReceived(const QString& topic, const QByteArray& payload) {
  if (!topics_.discovery || topic != topics_.discoveryPrefix + QStringLiteral("/status")) return;
  const auto status = classifyStatus(std::string_view(payload.constData(), payload.size()));
  if (status == HomeAssistantStatus::Online && !announceTimer_.isActive()) announceTimer_.start();
}

void Publisher::pump(int index) {
  if (!brokerConnected() || stopped_) return;
  Meter& m = *meters_[std::size_t(index)];
  while (m.spool->inFlight() < kWindow) {
    const auto record = m.spool->takeNext();
    if (!record) break;
    const int mid = client_->publish(topics_.reading(m.id),
                                     QByteArray::fromStdString(readingJson(*record)), 1, false);
    if (mid < 0) {
      // The connection is going; the loss that follows sends everything again.
      m.spool->rewind();
      break;
    }
    sent_.insert(mid, {index, record->seq});
  }
}

}  // namespace lux::publish
