// The publisher's plain rules: its configuration file, the broker URL, the messages it sends,
// the spool lines it keeps, Home Assistant's status and the sampling of readings.
#include <gtest/gtest.h>

#include "publish/engine/MqttClient.h"
#include "publish/engine/PublishConfig.h"
#include "publish/engine/PublishFormat.h"

namespace {

using namespace lux::publish;

std::vector<ConfigError> errorsOf(const std::string& text) {
  std::vector<ConfigError> errors;
  parseConfig(text, &errors);
  return errors;
}

TEST(PublishConfig, ReadsTheBrokerAndEveryMeter) {
  std::vector<ConfigError> errors;
  const PublishConfig c = parseConfig(
      "# building A\n"
      "[broker]\n"
      "url = mqtts://broker.lan:8884\n"
      "user = lux\n"
      "password-file = /etc/luxpanel/password\n"
      "ca = /etc/ssl/ca.pem\r\n"
      "prefix = site/lux\n"
      "discovery-prefix = ha\n"
      "discovery = off\n"
      "keepalive = 20\n"
      "protocol = 5\n"
      "spool-limit = 8\n"
      "\n"
      "[meter bench1]\n"
      "port = /dev/serial/by-id/usb-FTDI_A1\n"
      "name = Bench 1\n"
      "area = Lab 2\n"
      "every = 0.5\n"
      "[meter window]\n"
      "; defaults\n"
      "port = COM3\n",
      &errors);
  ASSERT_TRUE(errors.empty()) << errors.front().line << ": " << errors.front().message;
  EXPECT_EQ(c.broker.url, "mqtts://broker.lan:8884");
  EXPECT_EQ(c.broker.user, "lux");
  EXPECT_EQ(c.broker.passwordFile, "/etc/luxpanel/password");
  EXPECT_EQ(c.broker.ca, "/etc/ssl/ca.pem");
  EXPECT_EQ(c.broker.prefix, "site/lux");
  EXPECT_EQ(c.broker.discoveryPrefix, "ha");
  EXPECT_FALSE(c.broker.discovery);
  EXPECT_EQ(c.broker.keepalive, 20);
  EXPECT_EQ(c.broker.version, MqttVersion::V5);
  EXPECT_EQ(c.broker.spoolLimit, 8u * 1024 * 1024);
  ASSERT_EQ(c.meters.size(), 2u);
  EXPECT_EQ(c.meters[0].id, "bench1");
  EXPECT_EQ(c.meters[0].port, "/dev/serial/by-id/usb-FTDI_A1");
  EXPECT_EQ(c.meters[0].name, "Bench 1");
  EXPECT_EQ(c.meters[0].area, "Lab 2");
  EXPECT_DOUBLE_EQ(c.meters[0].every, 0.5);
  EXPECT_EQ(c.meters[1].port, "COM3");
  EXPECT_DOUBLE_EQ(c.meters[1].every, 1.0);
}

TEST(PublishConfig, DefaultsWithoutABrokerSection) {
  std::vector<ConfigError> errors;
  const PublishConfig c = parseConfig("[meter a]\nport=/dev/ttyUSB0\n", &errors);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(c.broker.url, "mqtt://localhost");
  EXPECT_EQ(c.broker.prefix, "luxpanel");
  EXPECT_EQ(c.broker.discoveryPrefix, "homeassistant");
  EXPECT_TRUE(c.broker.discovery);
  EXPECT_EQ(c.broker.keepalive, 30);
  EXPECT_EQ(c.broker.version, MqttVersion::V311);
  EXPECT_EQ(c.broker.spoolLimit, 64u * 1024 * 1024);
}

TEST(PublishConfig, EveryMistakeIsNamedWithItsLine) {
  const auto e = errorsOf(
      "[broker]\n"           // 1
      "url = http://x\n"     // 2
      "kepalive = 10\n"      // 3
      "keepalive = 2\n"      // 4
      "prefix = a/+/b\n"     // 5
      "discovery = maybe\n"  // 6
      "[meter bad name]\n"   // 7
      "port = x\n"           // 8 (skipped with its section)
      "[meter ok]\n"         // 9
      "every = -1\n"         // 10
      "colour = red\n"       // 11
      "[meter ok]\n"         // 12
      "[printer]\n"          // 13
      "just text\n");        // 14
  std::vector<int> lines;
  for (const auto& x : e) lines.push_back(x.line);
  EXPECT_EQ(lines, (std::vector<int>{2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 0}));
  // The meter without a port is named at the end.
  EXPECT_NE(e.back().message.find("[meter ok] has no port"), std::string::npos);
}

TEST(PublishConfig, KeysBeforeAnySectionAndControlBytesAreRefused) {
  EXPECT_EQ(errorsOf("url = mqtt://x\n").size(), 1u);
  EXPECT_EQ(errorsOf("[broker]\nuser = a\x01b\n").size(), 1u);
  EXPECT_EQ(errorsOf("[broker]\nuser = " + std::string(5000, 'a') + "\n").size(), 1u);
}

TEST(PublishConfig, MeterOptionIsNameEqualsPort) {
  std::string why;
  const auto m = parseMeterOption("bench-1=/dev/ttyUSB0", &why);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->id, "bench-1");
  EXPECT_EQ(m->port, "/dev/ttyUSB0");
  EXPECT_FALSE(parseMeterOption("/dev/ttyUSB0", &why));
  EXPECT_FALSE(parseMeterOption("a b=/dev/ttyUSB0", &why));
  EXPECT_FALSE(parseMeterOption("x/y=/dev/ttyUSB0", &why));
  EXPECT_FALSE(parseMeterOption("=/dev/ttyUSB0", &why));
  EXPECT_FALSE(parseMeterOption("a=", &why));
}

TEST(PublishConfig, PeriodsAndPrefixes) {
  EXPECT_EQ(parsePeriod("1"), 1.0);
  EXPECT_EQ(parsePeriod("0.25"), 0.25);
  EXPECT_EQ(parsePeriod("0"), 0.0);
  EXPECT_EQ(parsePeriod("86400"), 86400.0);
  EXPECT_FALSE(parsePeriod("86401"));
  EXPECT_FALSE(parsePeriod("-1"));
  EXPECT_FALSE(parsePeriod("1s"));
  EXPECT_FALSE(parsePeriod("nan"));
  EXPECT_TRUE(validTopicPrefix("luxpanel"));
  EXPECT_TRUE(validTopicPrefix("site/building-a"));
  EXPECT_FALSE(validTopicPrefix("/luxpanel"));
  EXPECT_FALSE(validTopicPrefix("a//b"));
  EXPECT_FALSE(validTopicPrefix("a/#"));
  EXPECT_FALSE(validTopicPrefix("a b"));
  EXPECT_FALSE(validTopicPrefix(""));
}

TEST(BrokerUrl, SchemesHostsAndPorts) {
  std::string why;
  auto u = parseBrokerUrl("mqtt://broker.lan", &why);
  ASSERT_TRUE(u);
  EXPECT_FALSE(u->tls);
  EXPECT_EQ(u->host, "broker.lan");
  EXPECT_EQ(u->port, 1883);
  u = parseBrokerUrl("mqtts://broker.lan", &why);
  ASSERT_TRUE(u);
  EXPECT_TRUE(u->tls);
  EXPECT_EQ(u->port, 8883);
  u = parseBrokerUrl("mqtts://10.0.0.5:9000/", &why);
  ASSERT_TRUE(u);
  EXPECT_EQ(u->host, "10.0.0.5");
  EXPECT_EQ(u->port, 9000);
  u = parseBrokerUrl("localhost:1884", &why);
  ASSERT_TRUE(u);
  EXPECT_FALSE(u->tls);
  EXPECT_EQ(u->port, 1884);
  u = parseBrokerUrl("mqtt://[::1]:1885", &why);
  ASSERT_TRUE(u);
  EXPECT_EQ(u->host, "::1");
  EXPECT_EQ(u->port, 1885);
}

TEST(BrokerUrl, WhatIsNotABrokerUrlIsRefusedWithAReason) {
  for (const char* bad : {"http://broker", "mqtt://", "mqtt://host:", "mqtt://host:0",
                          "mqtt://host:65536", "mqtt://host:12ab", "mqtt://user:pw@host",
                          "mqtt://host/topic", "::1:1883", "mqtt://[::1", "mqtt://ho st", ""}) {
    std::string why;
    EXPECT_FALSE(parseBrokerUrl(bad, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
}

SpoolRecord record(std::uint64_t seq, std::string shown, std::string unit) {
  SpoolRecord r;
  r.seq = seq;
  r.epochMs = 1765315820123;  // 2025-12-09 21:30:20.123 UTC
  r.offsetSeconds = 3600;
  r.shown = std::move(shown);
  r.unit = std::move(unit);
  return r;
}

TEST(ReadingMessage, TimeWithOffsetAndMilliseconds) {
  EXPECT_EQ(isoTime(1765315820123, 3600), "2025-12-09T22:30:20.123+01:00");
  EXPECT_EQ(isoTime(1765315820123, 0), "2025-12-09T21:30:20.123+00:00");
  EXPECT_EQ(isoTime(1765315820005, -5 * 3600 - 1800), "2025-12-09T16:00:20.005-05:30");
  // Local midnight and a leap day.
  EXPECT_EQ(isoTime(951782400000, 0), "2000-02-29T00:00:00.000+00:00");
  EXPECT_EQ(isoTime(0, -3600), "1969-12-31T23:00:00.000-01:00");
}

TEST(ReadingMessage, LuxAsShownAndFootCandlesConverted) {
  EXPECT_EQ(readingJson(record(7, "123.4", "lx")),
            "{\"seq\":7,\"time\":\"2025-12-09T22:30:20.123+01:00\",\"lux\":123.4,"
            "\"value\":\"123.4\",\"unit\":\"lx\",\"modes\":[],\"overload\":false}");
  auto fc = record(8, "-5.00", "fc");
  EXPECT_EQ(*luxOf(fc), -53.8195);
  EXPECT_NE(readingJson(fc).find("\"lux\":-53.8195,\"value\":\"-5.00\",\"unit\":\"fc\""),
            std::string::npos);
  EXPECT_EQ(*luxOf(record(1, "1", "fc")), 10.7639);
}

TEST(ReadingMessage, OverloadCandelaAndHourUnitsCarryNoLux) {
  auto ol = record(9, "OL", "lx");
  ol.overload = true;
  EXPECT_NE(readingJson(ol).find("\"lux\":null,\"value\":\"OL\""), std::string::npos);
  EXPECT_NE(readingJson(ol).find("\"overload\":true"), std::string::npos);
  auto cd = record(10, "12.5", "cd");
  cd.modes = kModeCandela;
  EXPECT_FALSE(luxOf(cd));
  auto lxh = record(11, "400", "lx-h");
  lxh.modes = kModeLxHour;
  EXPECT_FALSE(luxOf(lxh));
  auto rel = record(12, "-3.1", "lx");
  rel.modes = kModeRel | kModeHold | kModeAvg;
  EXPECT_NE(readingJson(rel).find("\"modes\":[\"REL\",\"HOLD\",\"AVG\"]"), std::string::npos);
}

TEST(SpoolLine, RoundTripsAndRefusesWhatIsNotOurs) {
  auto r = record(123456789, "-0.05", "fc");
  r.modes = kModeRel | kModeComp;
  r.overload = false;
  const std::string line = encodeSpoolLine(r);
  EXPECT_EQ(line, "123456789 1765315820123 3600 65 fc -0.05\n");
  const auto back = decodeSpoolLine(std::string_view(line).substr(0, line.size() - 1));
  ASSERT_TRUE(back);
  EXPECT_EQ(readingJson(*back), readingJson(r));
  auto ol = record(2, "OL", "");
  ol.overload = true;
  const std::string olLine = encodeSpoolLine(ol);
  const auto olBack = decodeSpoolLine(std::string_view(olLine).substr(0, olLine.size() - 1));
  ASSERT_TRUE(olBack);
  EXPECT_TRUE(olBack->overload);
  EXPECT_EQ(olBack->unit, "");

  for (const char* bad :
       {"", "0 1765315820123 3600 0 lx 1", "12 1765315820123 3600 0 lx", "12 17653158 3600 0 lux 1",
        "12 1765315820123 99999 0 lx 1", "12 1765315820123 3600 4096 lx 1",
        "12 1765315820123 3600 0 lx 1 2", "12 1765315820123 3600 0 lx \"1\"", "12 176531582012",
        "x 1765315820123 3600 0 lx 1"}) {
    EXPECT_FALSE(decodeSpoolLine(bad)) << bad;
  }
}

TEST(Discovery, AnIlluminanceSensorWithItsDeviceAndBothAvailabilities) {
  DiscoveryInfo d{"homeassistant", "luxpanel", "bench1",
                  "Bench \"1\"",   "Lab 2",    "luxpanel/publisher/luxpanel-host/availability",
                  "8.0.0"};
  EXPECT_EQ(discoveryTopic(d), "homeassistant/sensor/luxpanel/bench1/config");
  const std::string j = discoveryJson(d);
  for (const char* part :
       {"\"device_class\":\"illuminance\"", "\"unit_of_measurement\":\"lx\"",
        "\"state_class\":\"measurement\"", "\"unique_id\":\"luxpanel_luxpanel_bench1\"",
        "\"state_topic\":\"luxpanel/bench1/reading\"",
        "\"value_template\":\"{{ value_json.lux }}\"",
        "{\"topic\":\"luxpanel/publisher/luxpanel-host/availability\"",
        "{\"topic\":\"luxpanel/bench1/state\"", "\"availability_mode\":\"all\"",
        "\"name\":\"Bench \\\"1\\\"\"", "\"model\":\"handheld light meter\"",
        "\"sw_version\":\"8.0.0\"", "\"suggested_area\":\"Lab 2\""}) {
    EXPECT_NE(j.find(part), std::string::npos) << part << "\n" << j;
  }
  // Stable: the same prefix and meter give the same id; another prefix another one.
  DiscoveryInfo other = d;
  other.name = "renamed";
  EXPECT_EQ(uniqueId(other), uniqueId(d));
  other.prefix = "site/b";
  EXPECT_EQ(uniqueId(other), "luxpanel_site_b_bench1");
  EXPECT_EQ(discoveryTopic(other), "homeassistant/sensor/site_b/bench1/config");
}

TEST(HomeAssistantStatusMessage, OnlyTheTwoWordsCount) {
  EXPECT_EQ(classifyStatus("online"), HomeAssistantStatus::Online);
  EXPECT_EQ(classifyStatus("online\n"), HomeAssistantStatus::Online);
  EXPECT_EQ(classifyStatus("offline"), HomeAssistantStatus::Offline);
  EXPECT_EQ(classifyStatus("Online"), HomeAssistantStatus::Ignored);
  EXPECT_EQ(classifyStatus("onlinex"), HomeAssistantStatus::Ignored);
  EXPECT_EQ(classifyStatus(std::string("online\0", 7)), HomeAssistantStatus::Ignored);
  EXPECT_EQ(classifyStatus(std::string(100000, 'o')), HomeAssistantStatus::Ignored);
  EXPECT_EQ(classifyStatus(""), HomeAssistantStatus::Ignored);
}

TEST(Sampler, OneFreshReadingPerPeriodAndNeverTheSameTwice) {
  Sampler s(1000);
  // Frames every 250 ms: the first of each second is taken.
  std::vector<std::uint64_t> taken;
  for (std::uint64_t f = 1; f <= 12; ++f)
    if (s.offer(f, std::int64_t(f) * 250)) taken.push_back(f);
  EXPECT_EQ(taken, (std::vector<std::uint64_t>{1, 4, 8, 12}));
  // The same frame offered again in a new period is not a new reading.
  EXPECT_FALSE(s.offer(12, 5000));
  // A silent stretch publishes nothing; the next frame is taken at once.
  EXPECT_TRUE(s.offer(13, 9100));
  EXPECT_FALSE(s.offer(14, 9900));

  Sampler every(0);
  EXPECT_TRUE(every.offer(1, 0));
  EXPECT_TRUE(every.offer(2, 0));
  EXPECT_FALSE(every.offer(2, 10));
}

TEST(Reconnection, WaitsOneSecondThenDoublesUpToAMinute) {
  std::vector<int> waits{nextReconnectDelay(0)};
  for (int i = 0; i < 8; ++i) waits.push_back(nextReconnectDelay(waits.back()));
  EXPECT_EQ(waits, (std::vector<int>{1, 2, 4, 8, 16, 32, 60, 60, 60}));
}

}  // namespace
