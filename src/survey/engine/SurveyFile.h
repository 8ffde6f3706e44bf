#pragma once
// The .luxsurvey file (versioned JSON) and the CSV of a survey's points. A file that is not a
// survey, is damaged or comes from a newer program is refused with a message; nothing crashes.
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "survey/engine/Survey.h"

namespace lux::survey {

inline constexpr int kSurveyFormatVersion = 1;
inline constexpr qint64 kLargestSurveyFile = 32 * 1024 * 1024;

QByteArray surveyToJson(const Survey& survey);
// The survey in `bytes`, or nothing with `error` saying why.
std::optional<Survey> surveyFromJson(const QByteArray& bytes, QString* error);

// Writes through a temporary file renamed into place, so a failed save leaves the old file.
bool saveSurvey(const Survey& survey, const QString& path, QString* error);
std::optional<Survey> loadSurvey(const QString& path, QString* error);

// point,x,y,lux,time,note,skipped,reason; CR LF lines.
QByteArray pointsCsv(const Survey& survey);

// Points read back from such a CSV (or any CSV with a "lux" column and optionally "skipped"
// and "centre"): nothing with `error` when no lux column or a bad number is found.
std::optional<std::vector<Sample>> samplesFromCsv(const QByteArray& bytes, QString* error);

// A row of the table of task areas the surveyor picks a requirement from.
struct TaskArea {
  bool route = false;
  QString task;
  double meanLux = 0.0, u0 = 0.0, minLux = 0.0, maxRatio = 0.0;
  QString source;
};

// kind,task,mean_lux,u0,min_lux,max_ratio,source; rows that do not read are left out.
std::vector<TaskArea> taskAreasFromCsv(const QByteArray& bytes);
QByteArray taskAreasToCsv(const std::vector<TaskArea>& areas);

}  // namespace lux::survey
