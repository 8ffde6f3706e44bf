#pragma once
// The panel's menu bar: File, Meter, View and Help. Every menu item that the toolbar also has
// runs through the toolbar's own button, so a menu click meets the same refusals and the same
// dispatch by key as a click on the button.
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QAction;
class QMenuBar;
class QWidget;

namespace lux {

struct AppContext;

// What the Help menu needs from the desktop, replaceable in tests.
struct DesktopServices {
  // Opens a link (the manual's, the About box's) in the desktop's browser; false when nothing
  // could open it.
  std::function<bool(const QUrl&)> openUrl;
  // Shows the About box.
  std::function<void(QWidget* parent, const QString& title, const QString& text)> about;
};

// The About box's text: version, Qt version, licence and the project's link.
QString aboutText();

// The open list window the File menu's Print and Export act on: the list window the user is in,
// else the one last used, else any open one; nullptr when none is open.
QWidget* currentListWindow(AppContext& ctx, QWidget* lastUsed);

// Builds the menu bar on the panel (a QMainWindow); nullptr when there is no such panel.
QMenuBar* installMenuBar(AppContext& ctx, DesktopServices services = {});

}  // namespace lux
