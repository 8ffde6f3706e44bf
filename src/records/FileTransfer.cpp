#include "records/FileTransfer.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "link/Logging.h"
#include "records/DataFormat.h"
#include "records/RecordsContext.h"
#include "records/engine/RegularFile.h"
#include "ui/GridModel.h"

namespace lux {

namespace {

// The hourglass for as long as the routine runs, whichever way it ends.
class BusyPointer {
 public:
  explicit BusyPointer(Dialogs& d) : d_(d) { d_.setBusy(true); }
  ~BusyPointer() { d_.setBusy(false); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  Dialogs& d_;
};

struct TransferTexts {
  Q_DECLARE_TR_FUNCTIONS(FileTransfer)
};

// Window texts are written as single bytes; a character outside Latin-1 cannot be stored in
// the data file and becomes "?".
void appendLatin1(std::string& out, const QString& text) {
  for (QChar c : text) out.push_back(c.unicode() < 256 ? static_cast<char>(c.unicode()) : '?');
}

std::string latin1(const QString& text) {
  std::string s;
  s.reserve(static_cast<std::size_t>(text.size()));
  appendLatin1(s, text);
  return s;
}

// Captions that count progress change a few times a second, not once per row: a user cannot
// read faster, and a caption change per row would cost more than the work itself.
constexpr qint64 kCaptionIntervalMs = 50;

}  // namespace

bool chooseSaveFile(RecordsContext& ctx) {
  RecordingState& r = ctx.recording;
  const std::optional<QString> path =
      ctx.dialogs.saveFileName(TransferTexts::tr("All Files (*.*)|*.*|"));
  if (!path) {
    r.fileNameChosen = false;
    return false;
  }
  r.dataFileName = *path;
  r.fileNameChosen = !QFileInfo(*path).fileName().isEmpty();
  return r.fileNameChosen;
}

void saveGridToFile(RecordsContext& ctx, QWidget& form, GridModel& grid) {
  RecordingState& r = ctx.recording;
  BusyPointer busy(ctx.dialogs);
  QString refused;
  const int fd = openRegularFile(r.dataFileName, FileAccess::WriteTruncate, &refused);
  QFile file;
  if (fd < 0 || !file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
    if (fd >= 0) ::close(fd);
    qCWarning(lcRecords, "cannot save a list to %s: %s", qUtf8Printable(r.dataFileName),
              qUtf8Printable(fd < 0 ? refused : file.errorString()));
    ctx.dialogs.message(TransferTexts::tr("Cannot save to %1\r\n%2")
                            .arg(r.dataFileName, fd < 0 ? refused : file.errorString()));
    return;
  }
  const QString caption = form.windowTitle();
  const int rows = grid.rows();
  const int cols = grid.cols();
  std::string buffer;
  buffer.reserve(1 << 20);
  QElapsedTimer sinceCaption;
  bool failed = false;
  for (int row = 0; row < rows && !failed; ++row) {
    if (row == 0 || sinceCaption.elapsed() >= kCaptionIntervalMs) {
      form.setWindowTitle(TransferTexts::tr("%1 Records Completed").arg(row));
      sinceCaption.start();
    }
    for (int c = 0; c < cols; ++c) {
      appendLatin1(buffer, grid.cell(row, c));
      buffer.push_back('\t');
    }
    buffer += "\r\n";
    if (buffer.size() >= (1 << 20) || row == rows - 1) {
      failed = file.write(buffer.data(), static_cast<qint64>(buffer.size())) !=
               static_cast<qint64>(buffer.size());
      buffer.clear();
    }
  }
  if (!failed) failed = !file.flush();
  form.setWindowTitle(caption);
  const QString reason = file.errorString();
  file.close();
  r.fileNameChosen = false;
  if (failed) {
    // The grid is still in the window; the user can save it elsewhere.
    qCWarning(lcRecords, "a list was not saved completely to %s: %s",
              qUtf8Printable(r.dataFileName), qUtf8Printable(reason));
    ctx.dialogs.message(TransferTexts::tr("The list could not be saved completely to %1\r\n%2")
                            .arg(r.dataFileName, reason));
  }
}

void printGrid(RecordsContext& ctx, QWidget& form, GridModel& grid) {
  BusyPointer busy(ctx.dialogs);
  QPointer<QWidget> formAlive(&form);
  QPointer<GridModel> gridAlive(&grid);
  const QString caption = form.windowTitle();
  // No poll while the printout is built; back as it was on every way out.
  struct PollRestore {
    RecordsContext& ctx;
    bool wasOn;
    QPointer<QWidget>& form;
    const QString& caption;
    ~PollRestore() {
      if (form) form->setWindowTitle(caption);
      ctx.poll.setPollEnabled(wasOn);
    }
  } restore{ctx, ctx.poll.pollEnabled(), formAlive, caption};
  ctx.poll.setPollEnabled(false);

  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(caption);
  if (!ctx.dialogs.printerSetup(printer)) return;

  QPainter painter;
  if (!painter.begin(&printer)) {
    ctx.dialogs.message(TransferTexts::tr("The printer could not be started."));
    return;
  }
  QFont font;
  font.setFamilies({QStringLiteral("Lucida Console"), QStringLiteral("DejaVu Sans Mono"),
                    QStringLiteral("Liberation Mono")});
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPointSize(8);
  painter.setFont(font);
  const QFontMetrics fm = painter.fontMetrics();
  const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
  const int lineHeight = fm.lineSpacing();
  const int linesPerPage = std::max(1, pageHeight / lineHeight);
  const int pageWidth = printer.pageLayout().paintRectPixels(printer.resolution()).width();

  // A page is laid out as one block of text: one draw call per page instead of one per line
  // keeps 100000 rows within a few seconds.
  QString page;
  int linesOnPage = 0;
  bool firstPage = true;
  auto flushPage = [&] {
    if (linesOnPage == 0) return;
    if (!firstPage) printer.newPage();
    painter.drawText(QRect(0, 0, pageWidth, pageHeight), Qt::AlignLeft | Qt::AlignTop, page);
    page.clear();
    linesOnPage = 0;
    firstPage = false;
  };

  const int rows = grid.rows();
  int stoppedAt = -1;
  QElapsedTimer sinceCaption;
  for (int row = 0; row < rows; ++row) {
    if (!gridAlive || !formAlive) break;  // the window went away while events ran
    const std::optional<std::string> line = printGridLine(
        latin1(grid.cell(row, 0)), latin1(grid.cell(row, 1)), latin1(grid.cell(row, 2)));
    if (!line) {
      stoppedAt = row;
      break;
    }
    if (row == 0 || sinceCaption.elapsed() >= kCaptionIntervalMs) {
      form.setWindowTitle(TransferTexts::tr("%n record(s) completed", nullptr, row));
      // Lets the window repaint; clicks wait, so Print cannot start again inside itself.
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      sinceCaption.start();
      if (!gridAlive || !formAlive) break;
    }
    if (linesOnPage > 0) page += QLatin1Char('\n');
    page += QLatin1String(line->data(), static_cast<qsizetype>(line->size()));
    if (++linesOnPage == linesPerPage) flushPage();
  }
  flushPage();
  painter.end();
  if (stoppedAt >= 0) {
    ctx.dialogs.message(TransferTexts::tr("Printing stopped at row %1: a cell is longer than its "
                                          "column. The rows before it were printed.")
                            .arg(stoppedAt));
  }
}

void plotGridColumn(RecordsContext& ctx, GridModel& grid, int column, const QString& source) {
  const int rows = grid.rows();
  if (rows < 2 || column < 0 || column >= grid.cols()) return;
  RecordingState& r = ctx.recording;
  std::vector<float> values(static_cast<std::size_t>(rows - 1));
  for (int row = 1; row < rows; ++row) {
    const float v = cellPlotValue(latin1(grid.cell(row, column)));
    if (v > r.plotMaxValue) r.plotMaxValue = v;
    if (v < r.plotMinValue) r.plotMinValue = v;
    values[static_cast<std::size_t>(row - 1)] = v;
  }
  if (!ctx.hooks.showPlot) return;
  PlotRequest request;
  request.unitText = r.plotUnitText;
  request.values = std::move(values);
  request.xMax = static_cast<float>(rows - 1);
  request.pointCount = request.xMax;
  request.yMin = r.plotMinValue;
  request.yMax = r.plotMaxValue;
  request.source = source;
  ctx.hooks.showPlot(request);
}

void saveGridCommand(RecordsContext& ctx, QWidget& form, GridModel& grid) {
  if (ctx.recording.fileRecording) {
    ctx.dialogs.message(TransferTexts::tr("Aready in recording mode, close it and try again !"));
    return;
  }
  BusyPointer busy(ctx.dialogs);
  chooseSaveFile(ctx);
  if (ctx.recording.fileNameChosen) saveGridToFile(ctx, form, grid);
}

}  // namespace lux
