#include "probe/Gallery.h"

#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <exception>
#include <functional>
#include <vector>

#include "app/AppContext.h"
#include "app/PortWindow.h"
#include "graphs/LiveGraph.h"
#include "logger/Logger.h"
#include "panel/Toolbar.h"
#include "records/ListWindows.h"
#include "records/Recording.h"
#include "records/SamplingChoice.h"
#include "records/engine/DataFileWriter.h"
#include "records/engine/RecordingEngine.h"
#include "settings/Btn.h"
#include "settings/Comparator.h"
#include "settings/Setup.h"
#include "ui/OpenWindow.h"

namespace lux::probe {

namespace {

void say(const QString& text) {
  std::fprintf(stderr, "gallery: %s\n", qPrintable(text));
  std::fflush(stderr);
}

// The visible window with this objectName, wherever it is parented.
QWidget* visibleWindow(const QString& name) {
  return findOpenWindow<QWidget>(
      nullptr, [&name](QWidget* w) { return w->objectName() == name && w->isVisible(); });
}

void closeWindow(const QString& name) {
  if (QWidget* w = visibleWindow(name)) w->close();
}

// Walks through the program's windows one step at a time. Each step runs from the event loop,
// the next one only after the previous has returned, so a step that talks to the meter (the
// logger download) is never overtaken by the next.
class Gallery : public QObject {
 public:
  Gallery(AppContext& ctx, const QString& folder) : QObject(ctx.panel), ctx_(ctx), folder_(folder) {
    // A message box or an input box would stop the walk until someone clicks it: answer it
    // (an input box with Cancel) and say what it was. The first of each kind is taken too.
    auto* watchdog = new QTimer(this);
    watchdog->setInterval(200);
    connect(watchdog, &QTimer::timeout, this, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (!messageTaken_) shoot(box, QStringLiteral("Message"));
        messageTaken_ = true;
        say(QStringLiteral("answered the message \"%1\"").arg(box->text()));
        box->done(0);
      } else if (auto* input = qobject_cast<QInputDialog*>(modal)) {
        if (!inputTaken_) shoot(input, QStringLiteral("Input"));
        inputTaken_ = true;
        say(QStringLiteral("cancelled the input \"%1\"").arg(input->labelText()));
        input->reject();
      }
    });
    watchdog->start();
    buildSteps();
  }

  void start() { next(); }

 private:
  struct Step {
    double delaySeconds;
    std::function<void()> action;
  };

  void then(double delaySeconds, std::function<void()> action) {
    steps_.push_back({delaySeconds, std::move(action)});
  }

  void next() {
    if (step_ >= steps_.size()) return;
    const Step& s = steps_[step_];
    QTimer::singleShot(static_cast<int>(s.delaySeconds * 1000), this, [this] {
      const std::size_t index = step_++;
      try {
        steps_[index].action();
      } catch (const std::exception& e) {
        say(QStringLiteral("step %1 failed: %2").arg(index).arg(QString::fromUtf8(e.what())));
      } catch (...) {
        say(QStringLiteral("step %1 failed").arg(index));
      }
      next();
    });
  }

  void shoot(QWidget* window, const QString& name) {
    const QString path = QDir(folder_).filePath(name.toLower() + QStringLiteral(".png"));
    if (!window) {
      say(QStringLiteral("no %1 window to take").arg(name));
      ++missing_;
      return;
    }
    if (window->grab().save(path)) {
      say(QStringLiteral("saved %1").arg(path));
    } else {
      say(QStringLiteral("could not save %1").arg(path));
      ++missing_;
    }
  }
  void shoot(const QString& name) { shoot(visibleWindow(name), name); }

  void buildSteps() {
    // The first window of a run without --port: shown on its own, never answered.
    then(0.5, [this] {
      port_ = new PortWindow(ctx_.state.link);
      port_->setAttribute(Qt::WA_DeleteOnClose);
      port_->show();
    });
    then(0.4, [this] {
      shoot(port_, QStringLiteral("Port"));
      if (port_) port_->close();
    });

    // The live list and the live graph, then a few seconds of readings in both.
    then(0.2, [this] {
      toolbarActionTriggered(ctx_, ToolbarCommand::List);
      toolbarActionTriggered(ctx_, ToolbarCommand::Graph);
    });
    then(8.0, [this] {
      shoot(ctx_.panel, QStringLiteral("Panel"));
      shoot(QStringLiteral("RealTimeList"));
      shoot(QStringLiteral("RealTimeAll"));
      if (auto* live = qobject_cast<LiveGraph*>(visibleWindow(QStringLiteral("RealTimeAll"))))
        live->graphClicked();
    });
    then(0.8, [this] {
      shoot(QStringLiteral("RealTimeGraph"));
      closeWindow(QStringLiteral("RealTimeGraph"));
      closeWindow(QStringLiteral("RealTimeAll"));
      closeWindow(QStringLiteral("RealTimeList"));
    });

    // The file being recorded, read back into the file list and plotted from there.
    then(0.2, [this] {
      const RecordingState& r = ctx_.state.recording;
      const DataFileWriter* open = recordingEngine(ctx_.records).dataFile();
      const QString file = open ? open->path() : r.dataFileName;
      if (file.isEmpty() || !readFileIntoFileList(ctx_, file))
        say(QStringLiteral("no recording to read into the file list (LUXPANEL_RECORD_TO)"));
    });
    then(0.5, [this] {
      shoot(QStringLiteral("FileList"));
      if (ListWindow* list = fileList(ctx_)) filePlotCommand(ctx_, list->grid());
    });
    then(0.8, [this] {
      shoot(QStringLiteral("Plot"));
      closeWindow(QStringLiteral("Plot"));
      closeWindow(QStringLiteral("FileList"));
    });

    // The logger memory and its first set.
    then(0.3, [this] { toolbarActionTriggered(ctx_, ToolbarCommand::Memory); });
    then(0.5, [this] {
      shoot(QStringLiteral("Memory"));
      if (ctx_.logger.memoryWindow) listLoggerSet(ctx_, 1);
    });
    then(0.5, [this] {
      shoot(QStringLiteral("DataList"));
      closeWindow(QStringLiteral("DataList"));
      closeWindow(QStringLiteral("Memory"));
    });

    // The modal windows, shown without their own event loop so the walk goes on.
    then(0.3, [this] {
      auto* choice = new SamplingChoice(ctx_, ctx_.panel);
      choice->setAttribute(Qt::WA_DeleteOnClose);
      choice->show();
    });
    then(0.5, [this] {
      shoot(QStringLiteral("SamplingChoice"));
      closeWindow(QStringLiteral("SamplingChoice"));
    });
    then(0.3, [this] {
      auto* clock = new Setup(ctx_, ctx_.panel);
      clock->setAttribute(Qt::WA_DeleteOnClose);
      clock->show();
      clock->meterTimeClicked();
      clock->pcTimeClicked();
    });
    then(2.0, [this] {
      shoot(QStringLiteral("Setup"));
      closeWindow(QStringLiteral("Setup"));
    });

    then(0.5, [this] { toolbarActionTriggered(ctx_, ToolbarCommand::Comp); });
    then(0.8, [this] {
      shoot(QStringLiteral("Comparator"));
      closeWindow(QStringLiteral("Comparator"));
    });
    then(0.3, [this] { Btn::showKeypad(ctx_); });
    then(0.5, [this] {
      shoot(QStringLiteral("Btn"));
      closeWindow(QStringLiteral("Btn"));
    });

    // A refusal box (Open while the recording runs) and an input box (the hold time).
    then(0.3, [this] {
      // Without a recording Open would show the file dialog, which nobody answers here.
      if (ctx_.state.recording.fileRecording)
        toolbarActionTriggered(ctx_, ToolbarCommand::Open);
      else
        say(QStringLiteral("no recording for Open to refuse (LUXPANEL_RECORD_TO)"));
    });

    then(0.3, [this] { toolbarActionTriggered(ctx_, ToolbarCommand::Hold); });

    then(0.3, [this] {
      say(missing_ == 0 ? QStringLiteral("done")
                        : QStringLiteral("done, %1 picture(s) missing").arg(missing_));
      if (ctx_.panel) ctx_.panel->close();
    });
  }

  AppContext& ctx_;
  QString folder_;
  std::vector<Step> steps_;
  std::size_t step_ = 0;
  int missing_ = 0;
  QPointer<PortWindow> port_;
  bool messageTaken_ = false;
  bool inputTaken_ = false;
};

}  // namespace

void startGallery(AppContext& ctx, const QString& folder) {
  QDir().mkpath(folder);
  auto* gallery = new Gallery(ctx, folder);
  gallery->start();
}

}  // namespace lux::probe
