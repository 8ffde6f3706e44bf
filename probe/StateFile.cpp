#include "probe/StateFile.h"

#include <QSaveFile>
#include <QWidget>

#include "link/DisplayState.h"
#include "panel/Panel.h"

namespace lux::probe {

StateFile::StateFile(Panel& panel, const DisplayState& display, QString path)
    : QObject(&panel), panel_(panel), display_(display), path_(std::move(path)) {
  connect(&panel, &Panel::pictureChanged, this, &StateFile::write);
}

QString StateFile::text() const {
  const QWidget* banner = panel_.element(QStringLiteral("LblSetUp"));
  QString text;
  text += QStringLiteral("caption=%1\n").arg(panel_.elementText(QStringLiteral("LblCOM")));
  text += QStringLiteral("title=%1\n").arg(panel_.windowTitle());
  text += QStringLiteral("banner=%1\n")
              .arg(banner && !banner->isHidden() ? panel_.elementText(QStringLiteral("LblSetUp"))
                                                 : QString());
  text += QStringLiteral("mainValueText=%1\n").arg(QString::fromStdString(display_.mainValueText));
  text += QStringLiteral("unitText=%1\n").arg(QString::fromStdString(display_.unitText));
  for (int i = 0; i < 6; ++i)
    text += QStringLiteral("mainDigit%1=%2\n")
                .arg(i)
                .arg(panel_.elementText(QStringLiteral("MainDigit%1").arg(i)));
  text += QStringLiteral("frames=%1\n").arg(panel_.session().framesReceived());
  return text;
}

void StateFile::write() const {
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return;
  file.write(text().toUtf8());
  file.commit();
}

}  // namespace lux::probe
