#pragma once
// One logger set's records as rows: number, time label, lux text and foot-candle text. No
// window involved: the Data List window, a saved file and the command-line program all take
// the same rows.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <functional>
#include <vector>

namespace lux {

struct ListedRecord {
  QString number;  // "1", "2", ...
  QString time;    // "DD-hh:nn:ss"
  QString lux;
  QString fc;
};

// The records of `set` (the meter's bytes, header included) stamped from the set table's
// `timeText` ("DD-hh:nn:ss") every `intervalSeconds`, against the PC's date `today` (the
// header holds no month or year). A record whose range byte gives no scale shows the texts of
// the record before it in this set, or nothing when it is the set's first: a listing never
// shows values of another. `progress`, when given, hears (n, count) after each record.
std::vector<ListedRecord> listSetRecords(
    const QByteArray& set, const QString& timeText, double intervalSeconds, const QDate& today,
    const std::function<void(qsizetype, qsizetype)>& progress = {});

}  // namespace lux
