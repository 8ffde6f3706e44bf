#include "app/RememberedChoices.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>

#include "ui/Placement.h"

namespace lux {

namespace {

const QString kPortKey = QStringLiteral("port/last");
const QString kFolderKey = QStringLiteral("dialogs/lastFolder");

QString sizeKey(const QString& windowName) {
  return QStringLiteral("windows/%1/size").arg(windowName);
}

bool isProgramWindow(const QWidget* w) {
  if (!w || !w->isWindow()) return false;
  const Qt::WindowType type = w->windowType();
  return type == Qt::Window || type == Qt::Dialog;
}

}  // namespace

RememberedChoices::RememberedChoices(std::unique_ptr<QSettings> settings, QObject* parent)
    : QObject(parent), settings_(settings ? std::move(settings) : std::make_unique<QSettings>()) {}

RememberedChoices::~RememberedChoices() {
  if (qApp) qApp->removeEventFilter(this);
  settings_->sync();
}

QString RememberedChoices::lastPort() const {
  return settings_->value(kPortKey).toString();
}

void RememberedChoices::setLastPort(const QString& portText) {
  if (portText.trimmed().isEmpty()) return;
  settings_->setValue(kPortKey, portText.trimmed());
  settings_->sync();
}

QString RememberedChoices::lastFolder() const {
  return settings_->value(kFolderKey).toString();
}

void RememberedChoices::setLastFolder(const QString& folder) {
  if (folder.isEmpty()) return;
  settings_->setValue(kFolderKey, folder);
  settings_->sync();
}

QSize RememberedChoices::windowSize(const QString& windowName) const {
  const QSize s = settings_->value(sizeKey(windowName)).toSize();
  // A hand-edited or damaged file must not open a window of no size or of a wall's size.
  if (!s.isValid() || s.width() < 50 || s.height() < 50 || s.width() > 20000 || s.height() > 20000)
    return {};
  return s;
}

void RememberedChoices::setWindowSize(const QString& windowName, const QSize& size) {
  if (!size.isValid()) return;
  settings_->setValue(sizeKey(windowName), size);
}

void RememberedChoices::watchWindows() {
  qApp->installEventFilter(this);
}

bool RememberedChoices::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::Show && type != QEvent::Close && type != QEvent::Hide) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!isProgramWindow(w)) return false;
  const QString name = w->objectName();
  if (type == QEvent::Show) {
    if (remembersSize(name) && !w->property("luxSizeRestored").toBool()) {
      w->setProperty("luxSizeRestored", true);
      QSize s = windowSize(name);
      if (s.isValid()) {
        if (const QScreen* screen = w->screen())
          s = s.boundedTo(screen->availableGeometry().size());
        w->resize(s.expandedTo(w->minimumSize()).boundedTo(w->maximumSize()));
      }
    }
    // The window's own placement runs right after it is shown: check once that is done.
    QPointer<QWidget> target(w);
    QTimer::singleShot(0, this, [target] {
      if (target && target->isVisible()) keepOnScreen(target);
    });
  } else if (remembersSize(name) && w->isVisible()) {
    setWindowSize(name, w->size());
  }
  return false;
}

bool remembersSize(const QString& windowName) {
  for (const char* n : {"RealTimeList", "FileList", "DataList", "RealTimeGraph", "Plot"})
    if (windowName == QLatin1String(n)) return true;
  return false;
}

void preselectPort(QComboBox* txtCom, const QString& portText) {
  if (!txtCom || portText.isEmpty()) return;
  const int i = txtCom->findText(portText);
  if (i >= 0) txtCom->setCurrentIndex(i);
  txtCom->setEditText(portText);
}

}  // namespace lux
