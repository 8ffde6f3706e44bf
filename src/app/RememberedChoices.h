#pragma once
// What the program remembers between runs (QSettings, in the desktop's usual configuration
// place): the port that last worked, the folder the file dialogs last ended in, and the sizes
// the user gave the lists and the graph viewers. It also keeps windows on the screen: a window
// placed beside the panel on a small or scaled screen is moved back onto it.
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSettings>
#include <QString>
#include <memory>

class QComboBox;
class QSettings;
class QWidget;

namespace lux {

class RememberedChoices : public QObject {
 public:
  // Takes the settings to use; without, the application's own (organisation and application
  // name decide the file).
  explicit RememberedChoices(std::unique_ptr<QSettings> settings = {}, QObject* parent = nullptr);
  ~RememberedChoices() override;

  QString lastPort() const;
  void setLastPort(const QString& portText);
  QString lastFolder() const;
  void setLastFolder(const QString& folder);
  // The remembered size of a window by its name; invalid when none is.
  QSize windowSize(const QString& windowName) const;
  void setWindowSize(const QString& windowName, const QSize& size);

  // From now on: the lists and viewers open at their remembered size and remember the size they
  // close with, and every window of the program that opens is kept on the available screen.
  void watchWindows();

  QSettings& settings() { return *settings_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<QSettings> settings_;
};

// The windows whose size is remembered (objectName).
bool remembersSize(const QString& windowName);

// Puts the last port into the port window's box, so OK alone takes it again.
void preselectPort(QComboBox* txtCom, const QString& portText);

}  // namespace lux
