#pragma once
// Program-wide state of the logger download and the downloaded data list.
#include <QByteArray>
#include <QPointer>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

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
  // A download is reading the dump: the command, the erase and listing wait for it.
  bool downloadRunning = false;
  // The record texts the formatter left: a record without a range bit keeps the texts of the
  // record before it.
  std::array<std::string, 2> loggerValueText;

  // The Memory and Data List windows while they exist.
  QPointer<QWidget> memoryWindow;
  QPointer<QWidget> dataListWindow;
};

}  // namespace lux
