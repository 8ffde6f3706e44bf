#include "logger/engine/LoggerListing.h"

#include <array>
#include <cstdint>
#include <string>

#include "link/LoggerValue.h"
#include "logger/ListingTime.h"
#include "logger/MemoryDump.h"

namespace lux {

std::vector<ListedRecord> listSetRecords(
    const QByteArray& set, const QString& timeText, double intervalSeconds, const QDate& today,
    const std::function<void(qsizetype, qsizetype)>& progress) {
  const auto header = static_cast<qsizetype>(kSetHeaderLength);
  const auto recordLength = static_cast<qsizetype>(kLoggerRecordLength);
  const qsizetype count = set.size() >= header ? (set.size() - header) / recordLength : 0;
  const std::int64_t step = intervalSeconds > 0 ? static_cast<std::int64_t>(intervalSeconds) : 0;
  const ListingStart start = listingStart(timeText.toStdString(), today.year(), today.month());

  // Fresh for every listing: the formatter keeps its texts for a record without a scale.
  std::array<std::string, 2> texts;
  std::vector<ListedRecord> rows;
  rows.reserve(static_cast<std::size_t>(count));
  const auto* data = reinterpret_cast<const std::uint8_t*>(set.constData());
  for (qsizetype n = 1; n <= count; ++n) {
    const qsizetype at = header + recordLength * (n - 1);
    formatLoggerValue(data[at], data[at + 1], data[at + 2], texts);
    rows.push_back({QString::number(n),
                    QString::fromStdString(recordTimeLabel(start, (n - 1) * step)),
                    QString::fromStdString(texts[0]), QString::fromStdString(texts[1])});
    if (progress) progress(n, count);
  }
  return rows;
}

}  // namespace lux
