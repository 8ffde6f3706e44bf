#pragma once
// Program-wide state of the PC-timed recording and the data file.
#include <QPointer>
#include <QString>
#include <memory>

class QWidget;

namespace lux {

class DataFileWriter;
class RecordingEngine;

struct RecordingState {
  int samplingTickCount = 0;  // ticks since the last sample; 0 forces a sample
  float samplingTicks = 2;    // seconds between samples
  QString sampleTimeText;     // "DD-hh:nn:ss" of the latest sample
  bool fileRecording = false;
  float fileRecordCount = 0;
  QString fileRecordingUnit;
  bool listRecording = false;
  float listRecordCount = 0;
  QString listRecordingUnit;

  // Data file
  QString dataFileName;
  bool fileNameChosen = false;
  int dataFileNumber = 0;
  float plotMaxValue = 0;
  float plotMinValue = 0;
  QString plotUnitText;

  // The open data file while fileRecording (written one whole line at a time) and the name it is
  // shown under on the panel.
  std::shared_ptr<DataFileWriter> dataFile;
  QString dataFileTitle;
};

}  // namespace lux
