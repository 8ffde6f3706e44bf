#pragma once
// The comparator window: the unit, the measuring range (where the decimal point sits, or a
// fixed trailing 0 or 00) and the four significant digits of the HIGH and LOW limits, sent to
// the meter with "Update". The toolbar's "Comp" opens it filled from the meter's settings block.
//
// Control arrays are numbered from 1 as on the window: HighO(1..6) has the objectNames
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

  QComboBox* TxtUnit = nullptr;
  QGroupBox* SSFrame1 = nullptr;
  QGroupBox* SSFrame2 = nullptr;
  std::array<QComboBox*, 7> HighO{};  // index 1..6
  std::array<QComboBox*, 7> LowO{};
  std::array<QRadioButton*, 7> HODec{};
  std::array<QRadioButton*, 7> LODec{};
  QPushButton* CmdUpdate = nullptr;
  // The two limits as the meter will show them, so the range and digits can be checked before
  // they are sent.
  QLabel* LblLimits = nullptr;

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
  int exchangesRunning_ = 0;
  bool unloaded_ = false;
};

}  // namespace lux
