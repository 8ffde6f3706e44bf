#pragma once
// Program-wide state of the PC-timed recording and the data file.
#include <QPointer>
#include <QString>

class QWidget;

namespace lux {

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

  // The name the open data file is shown under on the panel (the file itself is the engine's).
  QString dataFileTitle;
};

}  // namespace lux
