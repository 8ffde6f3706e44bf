#include "publish/engine/PublishFormat.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace lux::publish {

namespace {

constexpr double kLuxPerFc = 10.7639;
const char* const kModeNames[] = {"REL", "REF",  "%",  "HOLD", "TIME HOLD",
                                  "AVG", "COMP", "cd", "fc-h", "lx-h"};

template <typename T>
bool number(std::string_view s, T* out) {
  if (s.empty()) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return ec == std::errc() && end == s.data() + s.size();
}

// Next space-separated field of `s`; the rest stays in `s`.
std::string_view field(std::string_view* s) {
  const std::size_t sp = s->find(' ');
  const std::string_view f = s->substr(0, sp);
  s->remove_prefix(sp == std::string_view::npos ? s->size() : sp + 1);
  return f;
}

bool shownText(std::string_view s) {
  if (s.empty() || s.size() > 16) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || (c >= 'A' && c <= 'F') || c == 'O' ||
          c == 'L'))
      return false;
  return true;
}

bool unitText(std::string_view s) {
  return s == "lx" || s == "fc" || s == "cd" || s == "lx-h" || s == "fc-h";
}

// Shortest text of a double that reads back the same; lux values are rounded to 4 decimals
// first, as the conversion factor itself has no more.
std::string shortest(double v) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(std::int64_t z, int* y, unsigned* m, unsigned* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t yy = std::int64_t(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = int(yy + (*m <= 2));
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

std::vector<std::string> modeNames(std::uint32_t modes) {
  std::vector<std::string> names;
  for (unsigned i = 0; i < 10; ++i)
    if (modes & (1u << i)) names.emplace_back(kModeNames[i]);
  return names;
}

std::string encodeSpoolLine(const SpoolRecord& r) {
  std::string line = std::to_string(r.seq) + ' ' + std::to_string(r.epochMs) + ' ' +
                     std::to_string(r.offsetSeconds) + ' ' +
                     std::to_string(r.modes | (r.overload ? 1u << 31 : 0u)) + ' ' +
                     (r.unit.empty() ? std::string("-") : r.unit) + ' ' + r.shown + '\n';
  return line;
}

std::optional<SpoolRecord> decodeSpoolLine(std::string_view line) {
  SpoolRecord r;
  std::uint32_t flags = 0;
  if (!number(field(&line), &r.seq) || r.seq == 0) return std::nullopt;
  if (!number(field(&line), &r.epochMs) || r.epochMs < 0 || r.epochMs > 253402300799999)
    return std::nullopt;
  if (!number(field(&line), &r.offsetSeconds) || r.offsetSeconds < -14 * 3600 ||
      r.offsetSeconds > 14 * 3600)
    return std::nullopt;
  if (!number(field(&line), &flags) || (flags & ~(kModeAll | (1u << 31)))) return std::nullopt;
  r.modes = flags & kModeAll;
  r.overload = flags & (1u << 31);
  const std::string_view unit = field(&line);
  if (unit != "-" && !unitText(unit)) return std::nullopt;
  if (unit != "-") r.unit = std::string(unit);
  if (!shownText(line)) return std::nullopt;
  r.shown = std::string(line);
  return r;
}

std::string isoTime(std::int64_t epochMs, int offsetSeconds) {
  const std::int64_t local = epochMs + std::int64_t(offsetSeconds) * 1000;
  const std::int64_t days = floorDiv(local, 86400000);
  const std::int64_t msOfDay = local - days * 86400000;
  int y = 0;
  unsigned mo = 0, d = 0;
  civilFromDays(days, &y, &mo, &d);
  const int off = offsetSeconds < 0 ? -offsetSeconds : offsetSeconds;
  char buf[80];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02d.%03d%c%02d:%02d", y, mo, d,
                int(msOfDay / 3600000), int(msOfDay / 60000 % 60), int(msOfDay / 1000 % 60),
                int(msOfDay % 1000), offsetSeconds < 0 ? '-' : '+', off / 3600, off / 60 % 60);
  return buf;
}

std::optional<double> luxOf(const SpoolRecord& r) {
  if (r.overload || (r.modes & (kModeCandela | kModeFcHour | kModeLxHour))) return std::nullopt;
  double v = 0;
  if (!number(std::string_view(r.shown), &v) || !std::isfinite(v)) return std::nullopt;
  if (r.unit == "lx") return v;
  if (r.unit == "fc") return std::round(v * kLuxPerFc * 1e4) / 1e4;
  return std::nullopt;
}

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += char(c);
        }
    }
  }
  out += '"';
  return out;
}

std::string readingJson(const SpoolRecord& r) {
  std::string j = "{\"seq\":" + std::to_string(r.seq) +
                  ",\"time\":" + jsonString(isoTime(r.epochMs, r.offsetSeconds)) + ",\"lux\":";
  const auto lux = luxOf(r);
  j += lux ? shortest(*lux) : std::string("null");
  j += ",\"value\":" + jsonString(r.shown) + ",\"unit\":" + jsonString(r.unit) + ",\"modes\":[";
  bool first = true;
  for (const auto& m : modeNames(r.modes)) {
    if (!first) j += ',';
    first = false;
    j += jsonString(m);
  }
  j += std::string("],\"overload\":") + (r.overload ? "true" : "false") + '}';
  return j;
}

namespace {
std::string idPart(std::string_view s) {
  std::string out;
  for (unsigned char c : s) out += (std::isalnum(c) || c == '-' || c == '_') ? char(c) : '_';
  return out;
}
}  // namespace

std::string uniqueId(const DiscoveryInfo& d) {
  return "luxpanel_" + idPart(d.prefix) + "_" + idPart(d.meterId);
}

std::string discoveryTopic(const DiscoveryInfo& d) {
  return d.discoveryPrefix + "/sensor/" + idPart(d.prefix) + "/" + idPart(d.meterId) + "/config";
}

std::string discoveryJson(const DiscoveryInfo& d) {
  const std::string base = d.prefix + "/" + d.meterId;
  const std::string id = uniqueId(d);
  std::string j = "{\"name\":\"Illuminance\",\"unique_id\":" + jsonString(id) +
                  ",\"object_id\":" + jsonString(id) +
                  ",\"state_topic\":" + jsonString(base + "/reading") +
                  ",\"value_template\":\"{{ value_json.lux }}\"" +
                  ",\"json_attributes_topic\":" + jsonString(base + "/reading") +
                  ",\"device_class\":\"illuminance\",\"unit_of_measurement\":\"lx\"" +
                  ",\"state_class\":\"measurement\",\"availability_mode\":\"all\"" +
                  ",\"availability\":[{\"topic\":" + jsonString(d.availabilityTopic) +
                  ",\"payload_available\":\"online\",\"payload_not_available\":\"offline\"}" +
                  ",{\"topic\":" + jsonString(base + "/state") +
                  ",\"value_template\":\"{{ 'online' if value == 'online' else 'offline' }}\"" +
                  ",\"payload_available\":\"online\",\"payload_not_available\":\"offline\"}]" +
                  ",\"device\":{\"identifiers\":[" + jsonString(id) +
                  "],\"name\":" + jsonString(d.name.empty() ? d.meterId : d.name) +
                  ",\"model\":\"handheld light meter\",\"sw_version\":" + jsonString(d.swVersion);
  if (!d.area.empty()) j += ",\"suggested_area\":" + jsonString(d.area);
  j += "}}";
  return j;
}

HomeAssistantStatus classifyStatus(std::string_view payload) {
  if (payload.size() > 32) return HomeAssistantStatus::Ignored;
  while (!payload.empty() &&
         (payload.back() == '\n' || payload.back() == '\r' || payload.back() == ' '))
    payload.remove_suffix(1);
  if (payload == "online") return HomeAssistantStatus::Online;
  if (payload == "offline") return HomeAssistantStatus::Offline;
  return HomeAssistantStatus::Ignored;
}

bool Sampler::offer(std::uint64_t frameNumber, std::int64_t monotonicMs) {
  if (any_ && frameNumber == lastFrame_) return false;
  const std::int64_t slot = everyMs_ > 0 ? floorDiv(monotonicMs, everyMs_) : 0;
  if (any_ && everyMs_ > 0 && slot == lastSlot_) return false;
  any_ = true;
  lastFrame_ = frameNumber;
  lastSlot_ = slot;
  return true;
}

}  // namespace lux::publish
