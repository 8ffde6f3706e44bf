#include "publish/engine/PublishConfig.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace lux::publish {

namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr std::size_t kMaxMeters = 64;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool parseInt(std::string_view s, int* out) {
  if (s.empty()) return false;
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  *out = v;
  return true;
}

std::optional<bool> parseSwitch(std::string_view s) {
  if (s == "on" || s == "true" || s == "yes" || s == "1") return true;
  if (s == "off" || s == "false" || s == "no" || s == "0") return false;
  return std::nullopt;
}

bool printable(std::string_view s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

}  // namespace

bool validMeterId(std::string_view id) {
  if (id.empty() || id.size() > 64) return false;
  for (unsigned char c : id)
    if (!std::isalnum(c) && c != '-' && c != '_') return false;
  return true;
}

bool validTopicPrefix(std::string_view prefix) {
  if (prefix.empty() || prefix.size() > 128 || prefix.front() == '/' || prefix.back() == '/')
    return false;
  if (prefix.find("//") != std::string_view::npos) return false;
  for (unsigned char c : prefix)
    if (c == '+' || c == '#' || c < 0x21 || c == 0x7F) return false;
  return true;
}

std::optional<double> parsePeriod(std::string_view text) {
  text = trim(text);
  if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
  double v = 0;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(v) || v < 0 || v > 86400) return std::nullopt;
  return v;
}

std::optional<BrokerUrl> parseBrokerUrl(std::string_view text, std::string* error) {
  auto fail = [&](const char* why) -> std::optional<BrokerUrl> {
    if (error) *error = why;
    return std::nullopt;
  };
  text = trim(text);
  BrokerUrl url;
  const std::size_t scheme = text.find("://");
  if (scheme != std::string_view::npos) {
    const std::string_view name = text.substr(0, scheme);
    if (name == "mqtt" || name == "tcp") {
      url.tls = false;
    } else if (name == "mqtts" || name == "ssl") {
      url.tls = true;
    } else {
      return fail("the scheme must be mqtt:// or mqtts://");
    }
    text.remove_prefix(scheme + 3);
  }
  url.port = url.tls ? kTlsPort : kPlainPort;
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);
  if (text.find('@') != std::string_view::npos)
    return fail(
        "a user name or password does not belong in the URL (use the configuration "
        "file or --password-file)");
  if (text.find_first_of("/?#") != std::string_view::npos)
    return fail("the URL holds a path; only a host and a port are expected");
  std::string_view host = text, port;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return fail("an IPv6 address lacks its ']'");
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return fail("unexpected text after the IPv6 address");
      port = rest.substr(1);
      if (port.empty()) return fail("the port is missing after ':'");
    }
  } else {
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
      host = text.substr(0, colon);
      port = text.substr(colon + 1);
      if (port.empty()) return fail("the port is missing after ':'");
      if (host.find(':') != std::string_view::npos)
        return fail("an IPv6 address goes in brackets: [::1]:1883");
    }
  }
  if (host.empty()) return fail("the host name is missing");
  if (host.size() > 253) return fail("the host name is too long");
  for (unsigned char c : host)
    if (!(std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == ':'))
      return fail("the host name holds a character a host name cannot have");
  if (!port.empty()) {
    int p = 0;
    if (!parseInt(port, &p) || p < 1 || p > 65535)
      return fail("the port must be a number from 1 to 65535");
    url.port = p;
  }
  url.host = std::string(host);
  return url;
}

std::optional<MeterConfig> parseMeterOption(std::string_view text, std::string* error) {
  const std::size_t eq = text.find('=');
  if (eq == std::string_view::npos || eq == 0 || eq + 1 == text.size()) {
    if (error) *error = "expected NAME=PORT, e.g. bench1=/dev/ttyUSB0";
    return std::nullopt;
  }
  MeterConfig m;
  m.id = std::string(text.substr(0, eq));
  m.port = std::string(text.substr(eq + 1));
  if (!validMeterId(m.id)) {
    if (error) *error = "a meter name may hold only letters, digits, '-' and '_' (64 at most)";
    return std::nullopt;
  }
  if (!printable(m.port)) {
    if (error) *error = "the port name holds control characters";
    return std::nullopt;
  }
  return m;
}

PublishConfig parseConfig(std::string_view text, std::vector<ConfigError>* errors) {
  PublishConfig config;
  enum class Section { None, Broker, Meter, Unknown } section = Section::None;
  MeterConfig* meter = nullptr;
  std::vector<bool> meterHasPort;
  int lineNo = 0;
  auto complain = [&](int line, std::string message) {
    if (errors) errors->push_back({line, std::move(message)});
  };

  while (!text.empty()) {
    ++lineNo;
    const std::size_t nl = text.find('\n');
    std::string_view raw = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (raw.size() > kMaxLine) {
      complain(lineNo, "line too long");
      continue;
    }
    const std::string_view line = trim(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (!printable(line)) {
      complain(lineNo, "control characters in the line");
      continue;
    }
    if (line.front() == '[') {
      if (line.back() != ']') {
        complain(lineNo, "a section header ends with ']'");
        section = Section::Unknown;
        continue;
      }
      const std::string_view head = trim(line.substr(1, line.size() - 2));
      meter = nullptr;
      if (head == "broker") {
        section = Section::Broker;
      } else if (head.substr(0, 6) == "meter " || head.substr(0, 6) == "meter\t") {
        const std::string_view id = trim(head.substr(6));
        section = Section::Unknown;
        if (!validMeterId(id)) {
          complain(lineNo, "a meter name may hold only letters, digits, '-' and '_'");
          continue;
        }
        bool duplicate = false;
        for (const auto& m : config.meters) duplicate = duplicate || m.id == id;
        if (duplicate) {
          complain(lineNo, "meter '" + std::string(id) + "' is named twice");
          continue;
        }
        if (config.meters.size() >= kMaxMeters) {
          complain(lineNo, "more than 64 meters");
          continue;
        }
        config.meters.push_back({});
        meterHasPort.push_back(false);
        meter = &config.meters.back();
        meter->id = std::string(id);
        section = Section::Meter;
      } else {
        complain(lineNo, "unknown section [" + std::string(head) + "]");
        section = Section::Unknown;
      }
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      complain(lineNo, "expected key = value");
      continue;
    }
    const std::string key(trim(line.substr(0, eq)));
    const std::string_view value = trim(line.substr(eq + 1));
    if (section == Section::Unknown) continue;  // already reported at its header
    if (section == Section::None) {
      complain(lineNo, "'" + key + "' stands before any [section]");
      continue;
    }
    if (section == Section::Meter) {
      if (key == "port") {
        meter->port = std::string(value);
        meterHasPort.back() = !value.empty();
      } else if (key == "name") {
        meter->name = std::string(value);
      } else if (key == "area") {
        meter->area = std::string(value);
      } else if (key == "every") {
        const auto p = parsePeriod(value);
        if (p)
          meter->every = *p;
        else
          complain(lineNo, "every: seconds from 0 to 86400");
      } else {
        complain(lineNo, "unknown key '" + key + "' in [meter " + meter->id + "]");
      }
      continue;
    }
    BrokerConfig& b = config.broker;
    if (key == "url") {
      std::string why;
      if (parseBrokerUrl(value, &why))
        b.url = std::string(value);
      else
        complain(lineNo, "url: " + why);
    } else if (key == "user") {
      b.user = std::string(value);
    } else if (key == "password") {
      b.password = std::string(value);
    } else if (key == "password-file") {
      b.passwordFile = std::string(value);
    } else if (key == "ca") {
      b.ca = std::string(value);
    } else if (key == "cert") {
      b.cert = std::string(value);
    } else if (key == "key") {
      b.key = std::string(value);
    } else if (key == "prefix" || key == "discovery-prefix") {
      if (!validTopicPrefix(value)) {
        complain(lineNo, key + ": topic levels without '+', '#', spaces or empty levels");
        continue;
      }
      (key == "prefix" ? b.prefix : b.discoveryPrefix) = std::string(value);
    } else if (key == "discovery") {
      const auto on = parseSwitch(value);
      if (on)
        b.discovery = *on;
      else
        complain(lineNo, "discovery: on or off");
    } else if (key == "keepalive") {
      int k = 0;
      if (parseInt(value, &k) && k >= 5 && k <= 3600)
        b.keepalive = k;
      else
        complain(lineNo, "keepalive: seconds from 5 to 3600");
    } else if (key == "protocol") {
      if (value == "3.1.1" || value == "4")
        b.version = MqttVersion::V311;
      else if (value == "5" || value == "5.0")
        b.version = MqttVersion::V5;
      else
        complain(lineNo, "protocol: 3.1.1 or 5");
    } else if (key == "client-id") {
      if (value.empty() || value.size() > 128 || !validTopicPrefix(value))
        complain(lineNo, "client-id: up to 128 characters, no spaces, '+' or '#'");
      else
        b.clientId = std::string(value);
    } else if (key == "spool-limit") {
      int mb = 0;
      if (parseInt(value, &mb) && mb >= 1 && mb <= 65536)
        b.spoolLimit = std::uint64_t(mb) << 20;
      else
        complain(lineNo, "spool-limit: megabytes from 1 to 65536");
    } else {
      complain(lineNo, "unknown key '" + key + "' in [broker]");
    }
  }
  for (std::size_t i = 0; i < config.meters.size(); ++i)
    if (!meterHasPort[i]) complain(0, "[meter " + config.meters[i].id + "] has no port");
  return config;
}

}  // namespace lux::publish
