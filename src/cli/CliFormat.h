#pragma once
// What luxpanel-cli writes, as plain text rules: the CSV header and times of a recording, the
// names of the lit modes, the secondary display, durations typed on the command line and the
// names of the downloaded set files.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/DisplayState.h"
#include "records/CsvFormat.h"
#include "records/RecordLines.h"

namespace lux::cli {

// csvField and csvLine (RFC 4180) are those of the lists' export (records/CsvFormat.h).

// The recording's lines (header, times, modes, signed value) are the recorder's own
// (records/RecordLines.h), so that the panel's program and this one write the same bytes.
using lux::isoLocalTime;
using lux::joinModes;
using lux::kRecordCsvHeader;
using lux::litModes;
using lux::signedValueText;
// The four secondary digits with their decimal points, then " m" or " ft" when lit.
std::string secondaryText(const DisplayState& d);

// "90", "90s", "15m", "2h", "7d" (also combined: "1h30m") as seconds; nullopt when the text is
// not such a duration or is zero.
std::optional<double> parseDuration(std::string_view text);

// File of one downloaded logger set: set-01_15-14-30-00.tsv from set 1 and "15-14:30:00".
std::string setFileName(int setNumber, std::string_view timeText, std::string_view extension);

// "YYYY-MM-DD hh:nn:ss" as ISO 8601 ("YYYY-MM-DDThh:nn:ss"): the meter's clock knows no zone.
std::string isoFromStamp(std::string_view stamp);

}  // namespace lux::cli
