// The survey file reader, the CSV of points and the task-area table on arbitrary bytes: no
// crash, no read out of bounds; a survey that reads has one point per grid point, and what the
// writer makes of it reads back to the same file.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "survey/engine/SurveyFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QString error;
  if (const auto survey = lux::survey::surveyFromJson(bytes, &error)) {
    if (survey->points.size() != survey->layout().points.size()) std::abort();
    (void)survey->stats();
    const QByteArray again = lux::survey::surveyToJson(*survey);
    const auto back = lux::survey::surveyFromJson(again, &error);
    if (!back || lux::survey::surveyToJson(*back) != again) std::abort();
    (void)lux::survey::pointsCsv(*survey);
  } else if (error.isEmpty()) {
    std::abort();  // a refusal always says why
  }
  if (const auto samples = lux::survey::samplesFromCsv(bytes, &error)) {
    for (const auto& s : *samples)
      if (s.taken && !(s.lux >= 0.0)) std::abort();
    (void)lux::survey::computeStats(*samples);
  }
  (void)lux::survey::taskAreasFromCsv(bytes);
  return 0;
}
