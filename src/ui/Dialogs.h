#pragma once
// Every dialog the program shows goes through this interface, so that tests can script the
// user's answers. The Qt implementation shows real modal dialogs.
#include <QString>
#include <optional>

class QPrinter;
class QWidget;

namespace lux {

// The answer to "save your work before it goes?".
enum class SaveChoice { Save, Discard, Cancel };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal message: critical-stop icon, OK button, the application's title.
  virtual void message(const QString& text) = 0;
  // Modal warning with the exclamation icon, OK and Cancel; true for OK.
  virtual bool confirm(const QString& text, const QString& title) = 0;
  // Warning with Save, Discard and Cancel (Save the default). A dialog layer without such a box
  // offers OK (leave without saving) and Cancel.
  virtual SaveChoice askSave(const QString& text, const QString& title) {
    return confirm(text, title) ? SaveChoice::Discard : SaveChoice::Cancel;
  }
  // Input box: prompt, title, default text. Cancel gives an empty text.
  virtual QString input(const QString& prompt, const QString& title,
                        const QString& defaultText) = 0;
  // Save As dialog with the given filter ("All Files (*.*)|*.*|" style), prompting before
  // overwriting; nullopt when cancelled.
  virtual std::optional<QString> saveFileName(const QString& filter) = 0;
  // Open dialog with the given filter; nullopt when cancelled.
  virtual std::optional<QString> openFileName(const QString& filter) = 0;
  // Printer dialog; false when cancelled. Where no printer exists the user may print to a PDF
  // file chosen here.
  virtual bool printerSetup(QPrinter& printer) = 0;
  // Hourglass pointer on or off.
  virtual void setBusy(bool busy) = 0;
};

}  // namespace lux
