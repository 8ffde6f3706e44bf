#pragma once
// The "Sampling Rate" window: the PC sampling period of the recording tick, or the meter's own
// logger sampling time read with "Y" and written with "W".
#include <QDialog>

class QRadioButton;
class QPushButton;

namespace lux {

struct RecordsContext;

class SamplingChoice : public QDialog {
  Q_OBJECT
 public:
  explicit SamplingChoice(RecordsContext& ctx, QWidget* parent = nullptr);
  // Unload: the panel's poll runs again, whichever path ran.
  ~SamplingChoice() override;

  QRadioButton& optPC() { return *optPC_; }
  QRadioButton& optMeter() { return *optMeter_; }
  // The whole work of the window; closes it.
  void okClicked();

 private:
  void pcPath();
  void meterPath();

  RecordsContext& ctx_;
  QRadioButton* optPC_;
  QRadioButton* optMeter_;
  QPushButton* cmdOk_;
};

// The toolbar's "PC": the window, modal.
void pcCommand(RecordsContext& ctx);

// How long the "Y" read is repeated before the user is told that the meter does not answer.
constexpr double kMeterReadTimeoutSeconds = 3.0;

}  // namespace lux
