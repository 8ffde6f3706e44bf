#include "probe/LatencyDriver.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>
#include <QToolBar>
#include <QWidget>
#include <cstdio>

#include "app/AppContext.h"
#include "panel/Panel.h"

namespace lux::probe {

namespace {

// How long a click may go without a box, and a closed box without a reading, before the probe
// writes the click off: long enough to see a stalled exchange, short enough to finish a run.
constexpr qint64 kOpenBoundMs = 10000;
constexpr qint64 kReadingBoundMs = 10000;

class LatencyDriver : public QObject {
 public:
  LatencyDriver(AppContext& ctx, Panel& panel, const LatencyPlan& plan)
      : QObject(&panel), ctx_(ctx), panel_(panel), plan_(plan) {
    clock_.start();
    // Every few milliseconds, also from inside the nested loops of the waits and of the boxes.
    watch_.setInterval(2);
    connect(&watch_, &QTimer::timeout, this, [this] { look(); });
    connect(&ctx_.link, &MeterLink::lineFreed, this, [this] {
      if (phase_ == Phase::Closed) freedAt_ = clock_.elapsed();
    });
    watch_.start();
  }

 private:
  enum class Phase { Settling, Scheduled, Clicked, Closed, Ending, Done };

  void look() {
    const qint64 now = clock_.elapsed();
    switch (phase_) {
      case Phase::Settling:
        // The next click is timed against a fresh reading, so that its offset falls anywhere
        // inside the poll's period and its waits.
        if (panel_.session().framesReceived() > framesSeen_) {
          framesSeen_ = panel_.session().framesReceived();
          if (now < settleUntil_) return;
          phase_ = Phase::Scheduled;
          const int offset = 300 + QRandomGenerator::global()->bounded(251);
          QTimer::singleShot(offset, this, [this] { click(); });
        }
        return;
      case Phase::Clicked:
        if (QWidget* box = newWindow()) {
          openMs_ = now - clickedAt_;
          phase_ = Phase::Closed;
          closedAt_ = -1;
          freedAt_ = -1;
          // Esc on a box rejects it; a window is closed as its Close button would.
          if (auto* dialog = qobject_cast<QDialog*>(box)) {
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
          } else {
            QTimer::singleShot(0, box, [box] { box->close(); });
          }
        } else if (now - clickedAt_ > kOpenBoundMs) {
          openMs_ = -1;
          finishMeasurement(-1);
        }
        return;
      case Phase::Closed:
        // The command ends when its box is gone and it has let go of the line (a poll tick
        // holding it meanwhile is the reading being taken up, not the command).
        if (closedAt_ < 0) {
          if (newWindow() == nullptr) closedAt_ = now;
          return;
        }
        if (ctx_.link.lineUser() == LineUser::Command || now - closedAt_ < 2) return;
        endedAt_ = freedAt_ >= 0 ? freedAt_ : now;
        framesAtEnd_ = panel_.session().framesReceived();
        phase_ = Phase::Ending;
        return;
      case Phase::Ending:
        if (ctx_.link.lineUser() == LineUser::Command) {
          // A later part of the same command (Memory's download after its window showed).
          phase_ = Phase::Closed;
          return;
        }
        if (panel_.session().framesReceived() > framesAtEnd_) {
          finishMeasurement(now - endedAt_);
        } else if (now - endedAt_ > kReadingBoundMs) {
          finishMeasurement(-1);
        }
        return;
      case Phase::Scheduled:
      case Phase::Done:
        return;
    }
  }

  // A visible window the click brought up, modal box first.
  QWidget* newWindow() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible() || w == &panel_ || before_.contains(w)) continue;
      const Qt::WindowType type = w->windowType();
      if (type == Qt::Window || type == Qt::Dialog) return w;
    }
    return nullptr;
  }

  void click() {
    if (key_ >= plan_.keys.size()) return;
    QAction* action = panel_.toolbar()->findChild<QAction*>(plan_.keys[key_]);
    if (!action) {
      std::fprintf(stderr, "latency: no toolbar key %s\n", qPrintable(plan_.keys[key_]));
      ++key_;
      count_ = 0;
      settle(0);
      return;
    }
    before_.clear();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible()) before_.insert(w);
    phase_ = Phase::Clicked;
    clickedAt_ = clock_.elapsed();
    clickedInPoll_ = ctx_.link.lineUser() == LineUser::Poll;
    // As the user's click does: the action's trigger reaches the toolbar's dispatch. It returns
    // only when the command has ended, or at once when the click lands inside a poll tick.
    action->trigger();
  }

  void finishMeasurement(qint64 readingMs) {
    std::printf("latency %s %d open_ms=%lld reading_ms=%lld in_poll=%d\n",
                qPrintable(plan_.keys[key_]), count_ + 1, static_cast<long long>(openMs_),
                static_cast<long long>(readingMs), clickedInPoll_ ? 1 : 0);
    std::fflush(stdout);
    if (++count_ >= plan_.clicks) {
      count_ = 0;
      ++key_;
    }
    if (key_ >= plan_.keys.size()) {
      phase_ = Phase::Done;
      std::printf("latency done\n");
      std::fflush(stdout);
      QTimer::singleShot(0, &panel_, [this] { panel_.close(); });
      return;
    }
    settle(500);
  }

  void settle(qint64 ms) {
    phase_ = Phase::Settling;
    settleUntil_ = clock_.elapsed() + ms;
    framesSeen_ = panel_.session().framesReceived();
  }

  AppContext& ctx_;
  Panel& panel_;
  LatencyPlan plan_;
  QElapsedTimer clock_;
  QTimer watch_;
  Phase phase_ = Phase::Settling;
  qsizetype key_ = 0;
  int count_ = 0;
  std::uint64_t framesSeen_ = 0;
  qint64 settleUntil_ = 1000;
  qint64 clickedAt_ = 0;
  bool clickedInPoll_ = false;
  qint64 openMs_ = -1;
  qint64 closedAt_ = -1;
  qint64 freedAt_ = -1;
  qint64 endedAt_ = 0;
  std::uint64_t framesAtEnd_ = 0;
  QSet<QWidget*> before_;
};

}  // namespace

void installLatencyDriver(AppContext& ctx, const LatencyPlan& plan) {
  auto* panel = qobject_cast<Panel*>(ctx.panel);
  if (!panel || plan.keys.isEmpty() || plan.clicks < 1) return;
  new LatencyDriver(ctx, *panel, plan);
}

}  // namespace lux::probe
