#include "app/MenuBar.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <exception>

#include "app/AppContext.h"
#include "app/CsvExport.h"
#include "app/ManualWindow.h"
#include "link/Logging.h"
#include "link/MeterLink.h"
#include "logger/LoggerWindows.h"
#include "panel/Panel.h"
#include "records/ListWindows.h"
#include "ui/Placement.h"

#ifndef LUXPANEL_HOMEPAGE
#define LUXPANEL_HOMEPAGE "https://luxpanel.org/"
#endif

namespace lux {

namespace {

struct MenuTexts {
  Q_DECLARE_TR_FUNCTIONS(MenuBar)
};

// A list window prints through its own toolbar's Print, with that button's refusals.
void printList(QWidget* window) {
  if (auto* list = qobject_cast<ListWindow*>(window))
    list->toolbarActionTriggered(QStringLiteral("Print"));
  if (auto* list = qobject_cast<DataListWindow*>(window))
    list->toolbarActionTriggered(QStringLiteral("Print"));
}

bool isListWindow(const QWidget* w) {
  if (!w) return false;
  const QString name = w->objectName();
  return name == QLatin1String("RealTimeList") || name == QLatin1String("FileList") ||
         name == QLatin1String("DataList");
}

QWidget* openWindow(QWidget* w) {
  return w && w->isVisible() ? w : nullptr;
}

// The toolbar's commands in the Meter and View menus, left to right as on the toolbar.
constexpr ToolbarCommand kMeterItems[] = {
    ToolbarCommand::PC,   ToolbarCommand::TimeSet, ToolbarCommand::Memory,  ToolbarCommand::CD,
    ToolbarCommand::Comp, ToolbarCommand::Hold,    ToolbarCommand::Buttons, ToolbarCommand::Esc,
};
constexpr ToolbarCommand kViewItems[] = {ToolbarCommand::List, ToolbarCommand::Graph};

// A failure inside a command ends that command only, as it does for the toolbar.
template <class F>
void guarded(F&& f) {
  runGuarded(lcApp(), "a menu command", f);
}

class MenuBarController : public QObject {
 public:
  MenuBarController(AppContext& ctx, DesktopServices services, QMainWindow* panel)
      : QObject(panel), ctx_(ctx), services_(std::move(services)), panel_(panel) {
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
      if (now && isListWindow(now->window())) lastList_ = now->window();
      updateListItems();
    });
    // Print and Export follow the lists opening and closing, so that their shortcuts are live
    // exactly while there is a list to act on.
    qApp->installEventFilter(this);
  }

  ~MenuBarController() override {
    if (qApp) qApp->removeEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType() &&
        isListWindow(static_cast<QWidget*>(watched))) {
      // Hidden is not yet gone from the state's pointers: look once the event is through.
      QTimer::singleShot(0, this, [this] { updateListItems(); });
      if (type == QEvent::Show) updateListItems();
    }
    return false;
  }

 public:
  QMenuBar* build() {
    auto* bar = new QMenuBar(panel_);
    bar->setObjectName(QStringLiteral("MenuBar"));

    QMenu* file = bar->addMenu(MenuTexts::tr("&File"));
    file->setObjectName(QStringLiteral("MenuFile"));
    save_ = commandItem(file, ToolbarCommand::Save, QKeySequence::Save);
    // A list window has a Save of its own.
    if (save_) save_->setShortcutContext(Qt::WindowShortcut);
    commandItem(file, ToolbarCommand::Open, QKeySequence::Open);
    file->addSeparator();
    exportCsv_ = file->addAction(MenuTexts::tr("Export CSV…"));
    exportCsv_->setObjectName(QStringLiteral("MenuExportCsv"));
    connect(exportCsv_, &QAction::triggered, this, [this] {
      guarded([this] { exportListAsCsv(ctx_, currentListWindow(ctx_, lastList_)); });
    });
    print_ = file->addAction(MenuTexts::tr("Print…"));
    print_->setObjectName(QStringLiteral("MenuPrint"));
    setShortcut(print_, QKeySequence::Print);
    connect(print_, &QAction::triggered, this, [this] {
      // Ctrl+P in a graph viewer or a settings window is not meant for a list.
      QWidget* active = QApplication::activeWindow();
      if (active && active != panel_ && !isListWindow(active)) return;
      guarded([this] { printList(currentListWindow(ctx_, lastList_)); });
    });
    file->addSeparator();
    QAction* publish = file->addAction(MenuTexts::tr("Publish readings…"));
    publish->setObjectName(QStringLiteral("MenuPublish"));
    connect(publish, &QAction::triggered, this, [this] {
      guarded([this] {
        if (ctx_.hooks.showPublishing) ctx_.hooks.showPublishing();
      });
    });
    file->addSeparator();
    QAction* quit = file->addAction(MenuTexts::tr("Quit"));
    quit->setObjectName(QStringLiteral("MenuQuit"));
    setShortcut(quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, panel_, &QWidget::close);
    connect(file, &QMenu::aboutToShow, this, &MenuBarController::updateFileMenu);

    QMenu* meter = bar->addMenu(MenuTexts::tr("&Meter"));
    meter->setObjectName(QStringLiteral("MenuMeter"));
    for (ToolbarCommand c : kMeterItems) commandItem(meter, c, {});
    // The survey has no toolbar button: its item opens the window itself.
    meter->addSeparator();
    QAction* survey = meter->addAction(MenuTexts::tr("Lighting Survey…"));
    survey->setObjectName(QStringLiteral("MenuSurvey"));
    setShortcut(survey, QKeySequence(Qt::CTRL | Qt::Key_U));
    connect(survey, &QAction::triggered, this, [this] {
      guarded([this] {
        if (ctx_.hooks.showSurvey) ctx_.hooks.showSurvey();
      });
    });

    QMenu* view = bar->addMenu(MenuTexts::tr("&View"));
    view->setObjectName(QStringLiteral("MenuView"));
    for (ToolbarCommand c : kViewItems) commandItem(view, c, {});

    QMenu* help = bar->addMenu(MenuTexts::tr("&Help"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    QAction* manual = help->addAction(MenuTexts::tr("Manual"));
    manual->setObjectName(QStringLiteral("MenuManual"));
    setShortcut(manual, QKeySequence::HelpContents);
    connect(manual, &QAction::triggered, this, &MenuBarController::showManual);
    QAction* about = help->addAction(MenuTexts::tr("About luxpanel"));
    about->setObjectName(QStringLiteral("MenuAbout"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this,
            [this] { services_.about(panel_, MenuTexts::tr("About luxpanel"), aboutText()); });

    panel_->setMenuBar(bar);
    updateFileMenu();
    return bar;
  }

 private:
  // The shortcuts reach the panel's commands from every window of the program, so Ctrl+P in a
  // list window prints that list.
  static void setShortcut(QAction* a, const QKeySequence& keys) {
    a->setShortcut(keys);
    a->setShortcutContext(Qt::ApplicationShortcut);
  }

  // The panel's own action of a toolbar command, shared by the button and the menu item, so
  // that both run the same dispatch and meet the same refusals.
  QAction* commandItem(QMenu* menu, ToolbarCommand c, const QKeySequence& keys) {
    auto* panel = qobject_cast<Panel*>(ctx_.panel);
    QAction* a = panel ? panel->commandAction(c) : nullptr;
    if (!a) return nullptr;
    menu->addAction(a);
    if (!keys.isEmpty()) setShortcut(a, keys);
    return a;
  }

  void updateListItems() {
    const bool listOpen = currentListWindow(ctx_, lastList_) != nullptr;
    if (print_) print_->setEnabled(listOpen);
    if (exportCsv_) exportCsv_->setEnabled(listOpen);
  }

  void updateFileMenu() {
    if (save_)
      save_->setText(ctx_.state.recording.fileRecording ? MenuTexts::tr("Stop Recording")
                                                        : MenuTexts::tr("Save As…"));
    updateListItems();
  }

  // The manual is built into the program: F1 shows it on any machine, with or without a
  // man-page viewer or a browser (whose start alone says nothing about a page shown).
  void showManual() {
    if (!manual_) {
      manual_ = new ManualWindow(services_.openUrl, panel_);
      manual_->show();
      keepOnScreen(manual_);
    }
    manual_->show();
    manual_->raise();
    manual_->activateWindow();
  }

  AppContext& ctx_;
  DesktopServices services_;
  QMainWindow* panel_;
  QPointer<QWidget> lastList_;
  QPointer<QAction> save_, print_, exportCsv_;
  QPointer<ManualWindow> manual_;
};

}  // namespace

QString aboutText() {
  return MenuTexts::tr(
             "<h3>luxpanel %1</h3>"
             "<p>Companion program of the digital light meter.</p>"
             "<p>Built with Qt %2, running on Qt %3.</p>"
             "<p>Licence: GNU General Public License, version 3 or later "
             "(GPL-3.0-or-later).</p>"
             "<p><a href=\"%4\">%4</a></p>")
      .arg(QLatin1String(LUXPANEL_VERSION), QLatin1String(QT_VERSION_STR),
           QLatin1String(qVersion()), QLatin1String(LUXPANEL_HOMEPAGE));
}

QWidget* currentListWindow(AppContext& ctx, QWidget* lastUsed) {
  if (QWidget* active = QApplication::activeWindow(); isListWindow(active)) return active;
  if (QWidget* w = openWindow(lastUsed); isListWindow(w)) return w;
  for (QWidget* w : {ctx.logger.dataListWindow.data(), ctx.records.fileList.data(),
                     ctx.records.realTimeList.data()})
    if (openWindow(w)) return w;
  return nullptr;
}

QMenuBar* installMenuBar(AppContext& ctx, DesktopServices services) {
  auto* panel = qobject_cast<QMainWindow*>(ctx.panel);
  if (!panel) return nullptr;
  if (!services.openUrl)
    services.openUrl = [](const QUrl& u) { return QDesktopServices::openUrl(u); };
  if (!services.about) {
    services.about = [](QWidget* parent, const QString& title, const QString& text) {
      QMessageBox::about(parent, title, text);
    };
  }
  auto* controller = new MenuBarController(ctx, std::move(services), panel);
  return controller->build();
}

}  // namespace lux
