#include "publish/engine/PublishFormat.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

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

namespace {

constexpr std::int64_t kLastMs = 253402300799999;  // 9999-12-31T23:59:59.999Z
constexpr int kMaxOffset = 14 * 3600;
constexpr std::size_t kMinRecord = 7, kMaxRecord = kSpoolMaxRecord;
enum : std::uint8_t {
  kFlagUnit = 0x07,  // 0 none, 1 lx, 2 fc, 3 cd, 4 lx-h, 5 fc-h
  kFlagOverload = 0x08,
  kFlagModes = 0x10,
  kFlagKey = 0x20,
  kFlagOddOffset = 0x40,  // the UTC offset in seconds, not in quarter hours
};
const char* const kUnits[] = {"", "lx", "fc", "cd", "lx-h", "fc-h"};
constexpr char kTextNibbles[] = "0123456789.-OL";  // 14 escapes A-F, 15 ends

std::uint16_t crc16(std::string_view bytes) {  // CRC-16/CCITT-FALSE
  std::uint16_t crc = 0xFFFF;
  for (unsigned char c : bytes) {
    crc ^= std::uint16_t(c << 8);
    for (int i = 0; i < 8; ++i) crc = std::uint16_t(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

void putVarint(std::string* out, std::uint64_t v) {
  while (v >= 0x80) {
    *out += char(0x80 | (v & 0x7F));
    v >>= 7;
  }
  *out += char(v);
}

bool getVarint(std::string_view* in, std::uint64_t* v) {
  *v = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (in->empty()) return false;
    const std::uint8_t b = std::uint8_t(in->front());
    in->remove_prefix(1);
    if (shift == 63 && b > 1) return false;
    *v |= std::uint64_t(b & 0x7F) << shift;
    if (!(b & 0x80)) return true;
  }
  return false;
}

std::uint64_t zigzag(std::int64_t v) {
  return (std::uint64_t(v) << 1) ^ std::uint64_t(v >> 63);
}
std::int64_t unzigzag(std::uint64_t v) {
  return std::int64_t(v >> 1) ^ -std::int64_t(v & 1);
}

}  // namespace

std::string encodeSpoolRecord(const SpoolRecord& r, bool key, std::int64_t prevMs) {
  std::uint8_t flags = key ? kFlagKey : 0;
  for (std::uint8_t u = 1; u < 6; ++u)
    if (r.unit == kUnits[u]) flags |= u;
  if (r.overload) flags |= kFlagOverload;
  if (r.modes) flags |= kFlagModes;
  const bool quarters = r.offsetSeconds % 900 == 0;
  if (!quarters) flags |= kFlagOddOffset;
  std::string out(2, '\0');
  out[1] = char(flags);
  if (key) putVarint(&out, r.seq);
  putVarint(&out, zigzag(r.epochMs - (key ? 0 : prevMs)));
  if (quarters)
    out += char(std::int8_t(r.offsetSeconds / 900));
  else
    putVarint(&out, zigzag(r.offsetSeconds));
  if (r.modes) putVarint(&out, r.modes);
  std::string nibbles;
  for (char c : r.shown) {
    if (c >= 'A' && c <= 'F') {
      nibbles += char(14);
      nibbles += char(c - 'A');
    } else if (const char* at = std::strchr(kTextNibbles, c); at && c) {
      nibbles += char(at - kTextNibbles);
    }
  }
  nibbles += char(15);
  if (nibbles.size() % 2) nibbles += char(15);
  for (std::size_t i = 0; i < nibbles.size(); i += 2) out += char(nibbles[i] << 4 | nibbles[i + 1]);
  out[0] = char(out.size() + 2);
  const std::uint16_t crc = crc16(out);
  out += char(crc & 0xFF);
  out += char(crc >> 8);
  return out;
}

std::optional<SpoolRecord> decodeSpoolRecord(std::string_view bytes, std::uint64_t prevSeq,
                                             std::int64_t prevMs, std::size_t* length, bool* key,
                                             bool needKey) {
  if (bytes.size() < kMinRecord) return std::nullopt;
  const std::size_t n = std::uint8_t(bytes[0]);
  if (n < kMinRecord || n > kMaxRecord || n > bytes.size()) return std::nullopt;
  const std::uint16_t stored =
      std::uint16_t(std::uint8_t(bytes[n - 2]) | std::uint8_t(bytes[n - 1]) << 8);
  if (crc16(bytes.substr(0, n - 2)) != stored) return std::nullopt;
  std::string_view in = bytes.substr(2, n - 4);
  const std::uint8_t flags = std::uint8_t(bytes[1]);
  if ((flags & 0x80) || (flags & kFlagUnit) > 5) return std::nullopt;
  *key = flags & kFlagKey;
  if (needKey && !*key) return std::nullopt;
  SpoolRecord r;
  std::uint64_t v = 0;
  if (*key) {
    if (!getVarint(&in, &r.seq) || r.seq == 0) return std::nullopt;
  } else {
    if (prevSeq == UINT64_MAX) return std::nullopt;
    r.seq = prevSeq + 1;
  }
  if (!getVarint(&in, &v)) return std::nullopt;
  const std::int64_t delta = unzigzag(v);
  const std::int64_t base = *key ? 0 : prevMs;
  if (delta < -kLastMs || delta > kLastMs || base + delta < 0 || base + delta > kLastMs)
    return std::nullopt;
  r.epochMs = base + delta;
  if (flags & kFlagOddOffset) {
    if (!getVarint(&in, &v)) return std::nullopt;
    const std::int64_t off = unzigzag(v);
    if (off < -kMaxOffset || off > kMaxOffset || off % 900 == 0) return std::nullopt;
    r.offsetSeconds = int(off);
  } else {
    if (in.empty()) return std::nullopt;
    const int q = std::int8_t(in.front());
    in.remove_prefix(1);
    if (q < -56 || q > 56) return std::nullopt;
    r.offsetSeconds = q * 900;
  }
  if (flags & kFlagModes) {
    if (!getVarint(&in, &v) || v == 0 || (v & ~std::uint64_t(kModeAll))) return std::nullopt;
    r.modes = std::uint32_t(v);
  }
  r.overload = flags & kFlagOverload;
  r.unit = kUnits[flags & kFlagUnit];
  bool ended = false, escaped = false;
  for (std::size_t i = 0; i < in.size() * 2; ++i) {
    const int nib = (std::uint8_t(in[i / 2]) >> (i % 2 ? 0 : 4)) & 0x0F;
    if (ended) {
      // Only the padding of the last byte may follow the end.
      if (nib != 15 || i / 2 != in.size() - 1) return std::nullopt;
    } else if (escaped) {
      if (nib > 5) return std::nullopt;
      r.shown += char('A' + nib);
      escaped = false;
    } else if (nib == 15) {
      ended = true;
      if (i / 2 != in.size() - 1) return std::nullopt;
    } else if (nib == 14) {
      escaped = true;
    } else {
      r.shown += kTextNibbles[nib];
    }
  }
  if (!ended || !shownText(r.shown)) return std::nullopt;
  *length = n;
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
