#pragma once
// What a publisher is told: the broker and the meters, from an INI file or the command line.
// Plain C++ so that the parser can be fed arbitrary bytes by the fuzzer.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lux::publish {

inline constexpr int kPlainPort = 1883;
inline constexpr int kTlsPort = 8883;

struct BrokerUrl {
  bool tls = false;
  std::string host;
  int port = kPlainPort;
};

// "mqtt://host[:port]", "mqtts://host[:port]", a bare "host[:port]", with "[v6]" hosts. Nothing
// after the port but an optional "/". `error` says what is wrong when it returns nothing.
std::optional<BrokerUrl> parseBrokerUrl(std::string_view text, std::string* error);

enum class MqttVersion { V311, V5 };

struct BrokerConfig {
  std::string url = "mqtt://localhost";
  std::string user;
  std::string password;      // from the file itself (which must then be private)
  std::string passwordFile;  // a file holding the password on its first line
  std::string ca, cert, key;
  std::string prefix = "luxpanel";
  std::string discoveryPrefix = "homeassistant";
  bool discovery = true;
  int keepalive = 30;  // seconds
  MqttVersion version = MqttVersion::V311;
  std::string clientId;                    // empty: made from the host name
  std::uint64_t spoolLimit = 64ull << 20;  // bytes, all meters together
};

struct MeterConfig {
  std::string id;      // the topic level: letters, digits, '-' and '_'
  std::string port;    // device path or COMn
  std::string name;    // what people call it ("Bench 3"); the id when empty
  std::string area;    // where it is ("Lab 2")
  double every = 1.0;  // seconds between two published readings at most; 0 = every reading
};

struct PublishConfig {
  BrokerConfig broker;
  std::vector<MeterConfig> meters;
};

struct ConfigError {
  int line = 0;  // 1-based; 0 for the file as a whole
  std::string message;
};

// Parses the INI text. Every mistake is listed (with its line), and the result holds what could
// be read; the configuration is usable only when `errors` stays empty.
PublishConfig parseConfig(std::string_view text, std::vector<ConfigError>* errors);

// A meter id usable as one topic level and file name.
bool validMeterId(std::string_view id);
// A topic prefix: one or more levels, no wildcard, no empty level.
bool validTopicPrefix(std::string_view prefix);
// "NAME=PORT" of --meter.
std::optional<MeterConfig> parseMeterOption(std::string_view text, std::string* error);
// A period in seconds, 0 to 86400 (decimals allowed).
std::optional<double> parsePeriod(std::string_view text);

}  // namespace lux::publish
