#pragma once
// Program-wide state of the logger download and the downloaded data list.
#include <QByteArray>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "logger/engine/LoggerDownload.h"

namespace lux {

struct LoggerState {
  // Raw bytes of each logger set of the last download, header included; set k at index k
  // (from 1); index 0 unused.
  std::vector<QByteArray> loggerSets = std::vector<QByteArray>(10005);
  // Sets of the last download (entries above keep older contents and are never listed).
  int loggerSetCount = 0;
  bool memoryFormOpen = false;
  bool loggerEraseBusy = false;
  bool dataListLuxShown = true;

};

}  // namespace lux
