#pragma once
// The comparator window: the unit, the measuring range (where the decimal point sits, or a
// fixed trailing 0 or 00) and the four significant digits of the HIGH and LOW limits, sent to
// the meter with "Update". The toolbar's "Comp" opens it filled from the meter's settings block.
//
// Control arrays are numbered from 1 as on the window: highO()[1..6] has the objectNames
// "HighO1" .. "HighO6" (likewise "LowO", "HODec", "LODec"), each also carrying its number in the
// "index" property.
#include <QByteArray>
#include <QWidget>
#include <array>

#include "settings/MeterExchange.h"
#include "settings/SettingsPayloads.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace lux {

struct Context;

class Comparator : public QWidget {
  Q_OBJECT
 public:
  explicit Comparator(Context& ctx, QWidget* parent = nullptr);

  // The open comparator window, if any (one that is closing does not count).
  static Comparator* find(Context& ctx);
  // Closes a visible comparator window and shows a new one, placed at the panel's right edge.
  static Comparator* showFresh(Context& ctx);

  // Fills unit, range option and the digits of both limits from the meter's settings block.
  void fillFromSettingsBlock(const SettingsBlock& block);

  void unitActivated();
  void highDecimalClicked(int k);
  void lowDecimalClicked(int k);
  void updateClicked();

  // The range option selected in the HIGH row (1..6), 0 when none is.
  int selectedOption() const;
  // The 5 bytes "Update" sends after "V".
  QByteArray updatePayload() const;

  using Digits = std::array<QComboBox*, 7>;      // index 1..6
  using Options = std::array<QRadioButton*, 7>;  // index 1..6
  QComboBox* txtUnit() const { return txtUnit_; }
  QGroupBox* ssFrame1() const { return ssFrame1_; }
  QGroupBox* ssFrame2() const { return ssFrame2_; }
  const Digits& highO() const { return highO_; }
  const Digits& lowO() const { return lowO_; }
  const Options& hoDec() const { return hoDec_; }
  const Options& loDec() const { return loDec_; }
  QPushButton* cmdUpdate() const { return cmdUpdate_; }
  QLabel* lblLimits() const { return lblLimits_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class Row { High, Low };
  void placeBesidePanel();
  // Selects option k of one row only (0 deselects all), as a click on it would.
  void selectOption(Row row, int k);
  void decimalClicked(Row clicked, int k);
  void applyRangeToBoxes(int k);
  void refreshLimits();

  // Runs one exchange with the meter, holding the line (ignored while another command has it).
  // A window closed meanwhile is deleted once the exchange has unwound, never under its feet.
  void exchange(const std::function<void()>& handler);

  Context& ctx_;
  QComboBox* txtUnit_ = nullptr;
  QGroupBox* ssFrame1_ = nullptr;
  QGroupBox* ssFrame2_ = nullptr;
  Digits highO_{};
  Digits lowO_{};
  Options hoDec_{};
  Options loDec_{};
  QPushButton* cmdUpdate_ = nullptr;
  // The two limits as the meter will show them, so the range and digits can be checked before
  // they are sent.
  QLabel* lblLimits_ = nullptr;
  int exchangesRunning_ = 0;
  bool unloaded_ = false;
};

}  // namespace lux
