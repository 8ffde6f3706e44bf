#include "panel/Panel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFontMetrics>
#include <QFrame>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QTimer>
#include <QToolBar>
#include <cmath>
#include <string_view>

#include "app/AppState.h"
#include "link/FrameDecoder.h"
#include "link/MeterLink.h"
#include "panel/RecordingLook.h"
#include "records/engine/RecordingEngine.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"

namespace lux {

namespace {

// The LCD's colours: dark segments on the grey-green glass of the meter.
const QColor kGlass(0xbf, 0xc9, 0xae);
const QColor kSegment(0x14, 0x1c, 0x14);

// Every LCD text is bold Arial; where Arial is not installed Liberation Sans has the same
// metrics, so the layout in twips still fits.
QFont lcdFont(double points) {
  QFont f;
  f.setFamilies(
      {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  f.setStyleHint(QFont::SansSerif);
  f.setBold(true);
  f.setPointSizeF(points);
  return f;
}

}  // namespace

// Elements are named as the meter's picture names them. Indexed arrays of the picture
// (MainDigit, TimeDigit) are separate labels whose objectName carries the index: "MainDigit0" to
// "MainDigit5" left to right, "TimeDigit0" to "TimeDigit3"; each also has the property "index".
// MemoryDigit is one label showing both memory digits.
Panel::Panel(AppState& state, MeterLink& link, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), state_(state), link_(link), dialogs_(dialogs) {
  setObjectName(QStringLiteral("Panel"));
  setWindowTitle(QString::fromLatin1(kTitle));
  setAttribute(Qt::WA_QuitOnClose, true);

  toolbar_ = new QToolBar(this);
  toolbar_->setObjectName(QStringLiteral("Toolbar1"));
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, toolbar_);

  lcd_ = new QWidget(this);
  lcd_->setObjectName(QStringLiteral("Lcd"));
  lcd_->setFixedSize(twipsSize(this, kLcdWidthTwips, kLcdHeightTwips));
  lcd_->setAutoFillBackground(true);
  QPalette pal = lcd_->palette();
  pal.setColor(QPalette::Window, kGlass);
  pal.setColor(QPalette::WindowText, kSegment);
  lcd_->setPalette(pal);
  setCentralWidget(lcd_);
  buildLcd(lcd_);

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(250);
  connect(timer1_, &QTimer::timeout, this, &Panel::pollTick);

  timer2_ = new QTimer(this);
  timer2_->setObjectName(QStringLiteral("Timer2"));
  timer2_->setInterval(1000);
  connect(timer2_, &QTimer::timeout, this, &Panel::recordingTick);

  connect(&link_, &MeterLink::portCaptionChanged, this, &Panel::setPortCaption);

  stateFile_ = qEnvironmentVariable("LUXPANEL_STATE_FILE");
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Panel::~Panel() = default;

void Panel::followRecording(RecordingEngine& engine) {
  connect(&engine, &RecordingEngine::statusChanged, this, [this](const RecordingStatus& s) {
    RecordingControls c;
    for (QAction* a : toolbar_->actions())
      if (a->data().toString() == QLatin1String("Save")) c.saveButton = a;
    c.fileName = qobject_cast<QLabel*>(element(QStringLiteral("LblFileName")));
    c.rec = qobject_cast<QLabel*>(element(QStringLiteral("LblRec")));
    c.count = qobject_cast<QLabel*>(element(QStringLiteral("LblCount")));
    showRecordingStatus(c, s);
  });
}

QLabel* Panel::addLabel(const QString& name, const QString& text, int left, int top, double points,
                        const QString& sizeText) {
  auto* label = new QLabel(text, lcd_);
  label->setObjectName(name);
  label->setFont(lcdFont(points));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setMargin(0);
  label->setIndent(0);
  label->move(twipsPoint(this, left, top));
  const QFontMetrics fm(label->font());
  const QString measure = sizeText.isEmpty() ? text : sizeText;
  label->resize(fm.horizontalAdvance(measure) + 2, fm.height());
  elements_.insert(name, label);
  return label;
}

QLabel* Panel::addPoint(const QString& name, const QString& text, int left, int top, double points,
                        int nextDigitLeft, int digitPitch) {
  // A point belongs in the gap between two digits. Its place on the meter's picture names the
  // gap; the glyph is centred between the ink of the digit before and the digit after it, so
  // it never runs into either whatever the font's side bearings.
  QLabel* label = addLabel(name, text, left, top, points);
  const QFontMetrics fm(label->font());
  const QRect digitInk = fm.boundingRect(QLatin1Char('8'));
  const QRect pointInk = fm.boundingRect(text);
  const int next = twipsX(this, nextDigitLeft);
  const int previous = twipsX(this, nextDigitLeft - digitPitch);
  const double gapCentre = (previous + digitInk.right() + next + digitInk.left()) / 2.0;
  label->move(static_cast<int>(std::lround(gapCentre - (pointInk.left() + pointInk.width() / 2.0))),
              label->y());
  return label;
}

QLabel* Panel::addImage(const QString& name, const QString& resource, int left, int top, int width,
                        int height) {
  auto* label = new QLabel(lcd_);
  label->setObjectName(name);
  const QRect r = twipsRect(this, left, top, width, height);
  label->setGeometry(r);
  const qreal dpr = devicePixelRatioF();
  QPixmap pixmap(r.size() * dpr);
  pixmap.setDevicePixelRatio(dpr);
  pixmap.fill(Qt::transparent);
  QSvgRenderer svg(resource);
  if (svg.isValid()) {
    QPainter p(&pixmap);
    svg.render(&p, QRectF(QPointF(0, 0), QSizeF(r.size())));
  }
  label->setPixmap(pixmap);
  elements_.insert(name, label);
  return label;
}

void Panel::buildLcd(QWidget* lcd) {
  const double word = 15.75;  // annunciator words and unit marks
  // Top annunciators.
  addImage(QStringLiteral("ImgRel"), QStringLiteral(":/panel/rel.svg"), 240, 740, 780, 330);
  addLabel(QStringLiteral("LblComp"), QStringLiteral("COMP"), 1200, 720, word);
  addLabel(QStringLiteral("LblCal"), QStringLiteral("CAL"), 2400, 720, word);
  addLabel(QStringLiteral("LblZero"), QStringLiteral("ZERO"), 3360, 720, word);
  addLabel(QStringLiteral("LblUAvg"), QStringLiteral("AVG"), 4560, 720, word);
  addLabel(QStringLiteral("LblHold"), QStringLiteral("D-H"), 5520, 720, word);
  addLabel(QStringLiteral("LblRef"), QStringLiteral("REF"), 6360, 720, word);

  // Main digits with their points, the thousands comma (in the first point's place) and signs.
  const int mainLeft[6] = {795, 1755, 2715, 3675, 4635, 5595};
  for (int i = 0; i < 6; ++i) {
    mainDigit_[i] =
        addLabel(QStringLiteral("MainDigit%1").arg(i), QString(), mainLeft[i], 1080, 72, "8");
    mainDigit_[i]->setProperty("index", i);
  }
  addPoint(QStringLiteral("LblBP1"), QStringLiteral("."), 3180, 1080, 72, 3675, 960);
  addPoint(QStringLiteral("LblBP2"), QStringLiteral("."), 4140, 1080, 72, 4635, 960);
  addPoint(QStringLiteral("LblBP3"), QStringLiteral("."), 5100, 1080, 72, 5595, 960);
  addPoint(QStringLiteral("LblComma"), QStringLiteral(","), 3180, 1080, 72, 3675, 960);
  addLabel(QStringLiteral("LblNeg"), QStringLiteral("-"), 120, 1320, 48);
  addLabel(QStringLiteral("LblBigPlus"), QStringLiteral("+"), 120, 1320, 36);

  // Unit column.
  addLabel(QStringLiteral("LblCD"), QStringLiteral("cd"), 6300, 1440, word);
  addLabel(QStringLiteral("LblUpPercent"), QStringLiteral("%"), 6720, 1440, word);
  addLabel(QStringLiteral("LblFc"), QStringLiteral("fc"), 6360, 1800, word);
  addLabel(QStringLiteral("LblFch"), QStringLiteral("-h"), 6720, 1800, word);
  addLabel(QStringLiteral("LblLx"), QStringLiteral("lx"), 6360, 2160, word);
  addLabel(QStringLiteral("LblLxh"), QStringLiteral("-h"), 6720, 2160, word);

  // Middle row.
  addImage(QStringLiteral("ImgBt"), QStringLiteral(":/panel/battery.svg"), 300, 2660, 720, 330);
  addImage(QStringLiteral("ImgAuto"), QStringLiteral(":/panel/auto.svg"), 1380, 2660, 900, 330);
  addLabel(QStringLiteral("LblStray"), QStringLiteral("STRAY"), 3600, 2640, word);
  addLabel(QStringLiteral("LblSmallPlus"), QStringLiteral("+"), 4800, 2640, word);
  addLabel(QStringLiteral("LblLight"), QStringLiteral("LIGHT"), 5160, 2640, word);

  // Lower labels.
  addLabel(QStringLiteral("LblCCF"), QStringLiteral("CCF"), 2895, 3120, word);
  addLabel(QStringLiteral("LblDH"), QStringLiteral("D-H"), 3720, 3120, word);
  addLabel(QStringLiteral("Lblms"), QStringLiteral("m-s"), 4320, 3120, word);
  addLabel(QStringLiteral("LblTH"), QStringLiteral("TIME - HOLD"), 5040, 3120, word);

  // Secondary digits, their points and the date and time dots stacked above the middle point.
  const int timeLeft[4] = {3525, 4365, 5205, 6045};
  for (int i = 0; i < 4; ++i) {
    timeDigit_[i] =
        addLabel(QStringLiteral("TimeDigit%1").arg(i), QString(), timeLeft[i], 3480, 60, "8");
    timeDigit_[i]->setProperty("index", i);
  }
  addPoint(QStringLiteral("LblSP1"), QStringLiteral("."), 3960, 3480, 60, 4365, 840);
  addPoint(QStringLiteral("LblSP2"), QStringLiteral("."), 4800, 3480, 60, 5205, 840);
  addPoint(QStringLiteral("LblSP3"), QStringLiteral("."), 5640, 3480, 60, 6045, 840);
  addPoint(QStringLiteral("LblTimeDot"), QStringLiteral("."), 4800, 3240, 60, 5205, 840);
  addPoint(QStringLiteral("LblDateDot"), QStringLiteral("."), 4800, 3000, 60, 5205, 840);

  // Left block.
  addLabel(QStringLiteral("LblCycle"), QStringLiteral("CYCLE"), 240, 3360, word);
  addLabel(QStringLiteral("LblMem"), QStringLiteral("M"), 1440, 3360, word);
  addLabel(QStringLiteral("LblRead"), QStringLiteral("R"), 1800, 3360, word);
  memoryDigit_ = addLabel(QStringLiteral("MemoryDigit"), QString(), 1485, 3600, 48, "88");
  addLabel(QStringLiteral("LblDAvg"), QStringLiteral("AVG"), 360, 3840, word);
  addLabel(QStringLiteral("LblNo"), QStringLiteral("NO."), 480, 4200, word);

  // Logger marks.
  addLabel(QStringLiteral("LblStart"), QStringLiteral("START"), 2640, 3720, 9.75);
  addLabel(QStringLiteral("LblIntv"), QStringLiteral("INTV"), 2640, 4080, 9.75);
  addLabel(QStringLiteral("LblStop"), QStringLiteral("STOP"), 2640, 4440, 9.75);

  // Right block.
  addLabel(QStringLiteral("LblDownPercent"), QStringLiteral("%"), 6600, 3720, 12);
  addLabel(QStringLiteral("Lblft"), QStringLiteral("ft"), 6600, 4080, 12);
  addLabel(QStringLiteral("Lblm"), QStringLiteral("m"), 6600, 4320, 12);
  // The last secondary digit's ink reaches past 6600 twips in a 60 pt bold font: the right
  // block moves just clear of it rather than being drawn over the digit.
  const QFontMetrics timeMetrics(timeDigit_[3]->font());
  const int clear =
      timeDigit_[3]->x() + timeMetrics.boundingRect(QLatin1Char('8')).right() + twipsX(this, 45);
  for (const char* name : {"LblDownPercent", "Lblft", "Lblm"}) {
    QWidget* w = element(QLatin1String(name));
    if (w->x() < clear) w->move(clear, w->y());
  }

  // Banner over the main digits for SET UP, CLEAR and RS232.
  const QRect banner = twipsRect(this, 960, 1680, 5175, 1665);
  shapeSetUp_ = new QFrame(lcd);
  shapeSetUp_->setObjectName(QStringLiteral("ShapeSetUp"));
  shapeSetUp_->setGeometry(banner);
  shapeSetUp_->setFrameShape(QFrame::Box);
  shapeSetUp_->setLineWidth(2);
  shapeSetUp_->setAutoFillBackground(true);
  elements_.insert(QStringLiteral("ShapeSetUp"), shapeSetUp_);
  lblSetUp_ = new QLabel(QStringLiteral("SET UP"), lcd);
  lblSetUp_->setObjectName(QStringLiteral("LblSetUp"));
  lblSetUp_->setFont(lcdFont(72));
  lblSetUp_->setAlignment(Qt::AlignCenter);
  lblSetUp_->setGeometry(banner);
  elements_.insert(QStringLiteral("LblSetUp"), lblSetUp_);

  // Status row: the recording labels (filled by the recording) and the port caption.
  const double status = 9.75;
  QLabel* name = addLabel(QStringLiteral("LblFileName"), QString(), 120, 4920, status);
  name->resize(twipsSize(this, 4800, 240));
  addLabel(QStringLiteral("LblRec"), QStringLiteral("Rec."), 120, 5160, status);
  QLabel* count = addLabel(QStringLiteral("LblCount"), QString(), 1080, 5160, status);
  count->resize(twipsSize(this, 2400, 240));
  lblCom_ = addLabel(QStringLiteral("LblCOM"), QStringLiteral("No COM"), 5040, 4920, status);
  lblCom_->resize(twipsSize(this, 2100, 240));
  lblCom_->setCursor(Qt::PointingHandCursor);
  lblCom_->installEventFilter(this);

  // Until the first frame arrives the LCD is blank, as the meter's own is before it speaks.
  static const char* const kShownFromStart[] = {"LblCCF", "LblFileName", "LblRec", "LblCount",
                                                "LblCOM"};
  for (auto it = elements_.cbegin(); it != elements_.cend(); ++it) {
    bool keep = false;
    for (const char* n : kShownFromStart) keep = keep || it.key() == QLatin1String(n);
    if (!keep) it.value()->hide();
  }
  shapeSetUp_->raise();
  lblSetUp_->raise();
}

bool Panel::elementShown(const QString& name) const {
  QWidget* w = element(name);
  return w && !w->isHidden();
}

QString Panel::elementText(const QString& name) const {
  auto* label = qobject_cast<QLabel*>(element(name));
  return label ? label->text() : QString();
}

void Panel::setShown(const QString& name, bool visible) {
  if (QWidget* w = element(name)) w->setVisible(visible);
}

bool Panel::startUp() {
  move(0, 0);
  QString reason;
  if (!link_.openLink(&reason)) {
    QString text = QStringLiteral("No device found, try again!");
    if (!reason.trimmed().isEmpty()) {
      text += QLatin1Char('\n') + reason.trimmed();
      // The usual reason on Linux: serial devices belong to the dialout group.
      if (reason.contains(QLatin1String("ermission"), Qt::CaseInsensitive))
        text += QStringLiteral(" (add your user to the 'dialout' group and log in again)");
    }
    dialogs_.message(text);
    return false;
  }
  setPortCaption(link_.portCaption());
  state_.recording.fileRecording = false;
  state_.recording.samplingTicks = 2;
  state_.graphs.liveGraphOpen = false;
  state_.logger.memoryFormOpen = false;
  timer2_->start();
  timer1_->start();
  return true;
}

void Panel::refreshPanel() {
  const DisplayState& d = state_.display;
  // A banner covers the digits; whatever lies underneath keeps the previous frame's state.
  const char* banner = d.annSetUp   ? "SET UP"
                       : d.annClear ? "CLEAR"
                       : d.annRs232 ? "RS232"
                                    : nullptr;
  if (banner) {
    lblSetUp_->setText(QString::fromLatin1(banner));
    shapeSetUp_->show();
    lblSetUp_->show();
    writeStateFile();
    return;
  }
  shapeSetUp_->hide();
  lblSetUp_->hide();

  QString memory;
  for (char c : d.memoryDigits)
    if (c != ' ') memory += QLatin1Char(c);
  memoryDigit_->setText(memory);
  memoryDigit_->setVisible(!memory.isEmpty());

  for (int i = 0; i < 6; ++i) {
    const char c = i < static_cast<int>(d.mainDigits.size()) ? d.mainDigits[i] : ' ';
    if (c == ' ') {
      mainDigit_[i]->hide();
      mainDigit_[i]->clear();
    } else {
      mainDigit_[i]->setText(QString(QLatin1Char(c)));
      mainDigit_[i]->show();
    }
  }
  for (int i = 0; i < 4; ++i) {
    const char c = i < static_cast<int>(d.secondaryDigits.size()) ? d.secondaryDigits[i] : ' ';
    timeDigit_[i]->setText(QString(QLatin1Char(c)));
    timeDigit_[i]->show();
  }

  setShown(QStringLiteral("ImgRel"), d.annRel);
  setShown(QStringLiteral("LblComp"), d.annComp);
  setShown(QStringLiteral("LblCal"), d.annCal);
  setShown(QStringLiteral("LblZero"), d.annZero);
  setShown(QStringLiteral("LblUAvg"), d.annUpperAvg);
  setShown(QStringLiteral("LblHold"), d.annHold);
  setShown(QStringLiteral("LblRef"), d.annRef);
  setShown(QStringLiteral("LblUpPercent"), d.annUpperPercent);
  // Unit marks: an hour unit shows its "-h"; the other unit's mark keeps what it had.
  if (d.annFcHour) {
    setShown(QStringLiteral("LblFc"), true);
    setShown(QStringLiteral("LblFch"), true);
    setShown(QStringLiteral("LblLxh"), false);
  } else if (d.annLxHour) {
    setShown(QStringLiteral("LblLxh"), true);
    setShown(QStringLiteral("LblLx"), true);
  } else {
    setShown(QStringLiteral("LblFch"), false);
    setShown(QStringLiteral("LblLxh"), false);
    setShown(QStringLiteral("LblFc"), d.annFc);
    setShown(QStringLiteral("LblLx"), d.annLx);
  }
  setShown(QStringLiteral("LblCD"), d.annCd);
  setShown(QStringLiteral("LblLight"), d.annLight);
  setShown(QStringLiteral("LblSmallPlus"), d.annSmallPlus);
  setShown(QStringLiteral("LblStray"), d.annStray);
  setShown(QStringLiteral("LblComma"), d.annComma);
  setShown(QStringLiteral("ImgBt"), d.annBattery);
  setShown(QStringLiteral("LblBigPlus"), d.annBigPlus);
  setShown(QStringLiteral("LblNeg"), d.annNegative);
  setShown(QStringLiteral("ImgAuto"), d.annAuto);
  setShown(QStringLiteral("LblCycle"), d.annCycle);
  setShown(QStringLiteral("LblRead"), d.annRead);
  setShown(QStringLiteral("LblDAvg"), d.annLowerAvg);
  setShown(QStringLiteral("LblNo"), d.annNo);
  setShown(QStringLiteral("LblStart"), d.annStart);
  setShown(QStringLiteral("LblIntv"), d.annIntv);
  setShown(QStringLiteral("LblStop"), d.annStop);
  setShown(QStringLiteral("LblDH"), d.annDH);
  setShown(QStringLiteral("Lblms"), d.annMs);
  setShown(QStringLiteral("LblTH"), d.annTimeHold);
  setShown(QStringLiteral("LblDownPercent"), d.annLowerPercent);
  setShown(QStringLiteral("Lblft"), d.annFt);
  setShown(QStringLiteral("Lblm"), d.annM);
  setShown(QStringLiteral("LblBP1"), d.annMainPoint1);
  setShown(QStringLiteral("LblBP2"), d.annMainPoint2);
  setShown(QStringLiteral("LblBP3"), d.annMainPoint3);
  setShown(QStringLiteral("LblSP1"), d.annSubPoint1);
  setShown(QStringLiteral("LblSP2"), d.annSubPoint2);
  setShown(QStringLiteral("LblSP3"), d.annSubPoint3);
  setShown(QStringLiteral("LblDateDot"), d.annDateDot);
  setShown(QStringLiteral("LblTimeDot"), d.annTimeDot);
  setShown(QStringLiteral("LblMem"), d.annMem);
  writeStateFile();
}

void Panel::toggleTitle() {
  setWindowTitle(windowTitle().contains(QLatin1String("130108"))
                     ? QString::fromLatin1(kTitle)
                     : QString::fromLatin1(kTitleWithDate));
  writeStateFile();
}

void Panel::setPortCaption(const QString& caption) {
  lblCom_->setText(caption);
  lblCom_->show();
  writeStateFile();
}

void Panel::pollTick() {
  if (shuttingDown_) return;
  pollGuard_.run([this] {
    link_.pollTick([this](const QByteArray& frame) {
      ++framesDecoded_;
      const auto result = decodeFrame(
          state_.display, std::string_view(frame.constData(), static_cast<size_t>(frame.size())));
      // A frame whose decoding stopped early leaves the picture as it was.
      if (result == DecodeResult::StoppedEarly || result == DecodeResult::TooShort) return false;
      ++state_.display.framesDecoded;
      refreshPanel();
      return result == DecodeResult::Banner;
    });
  });
}

void Panel::recordingTick() {
  if (shuttingDown_ || !ctx_ || !ctx_->hooks.recordingTick) return;
  recordingGuard_.run([this] { ctx_->hooks.recordingTick(); });
}

void Panel::setPollEnabled(bool enabled) {
  if (shuttingDown_) return;
  if (enabled)
    timer1_->start();
  else
    timer1_->stop();
}

bool Panel::pollEnabled() const {
  return timer1_->isActive();
}

bool Panel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblCom_ && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton &&
        lblCom_->rect().contains(mouse->position().toPoint())) {
      toggleTitle();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void Panel::closeEvent(QCloseEvent* event) {
  if (!shuttingDown_) {
    shuttingDown_ = true;
    timer1_->stop();
    timer2_->stop();
    // Every wait with the meter ends now, so a poll or command caught in a wait unwinds.
    link_.abort();
    if (ctx_) {
      for (const auto& hook : ctx_->hooks.onShutdown) {
        try {
          if (hook) hook();
        } catch (...) {
          // One window failing to close must not keep the program alive.
        }
      }
    }
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
      if (w != this && w->isVisible()) w->close();
    emit closing();
  }
  event->accept();
}

// End-to-end checks read the panel's state from a small file instead of the screen: when
// LUXPANEL_STATE_FILE names a file, it is rewritten (a temporary file renamed into place, so a
// reader never sees half of it) after every refresh and caption change, as key=value lines:
// caption (LblCOM), title, banner (empty when none), mainValueText, unitText, mainDigit0..5
// (the captions of the main digits), frames (frames decoded so far).
void Panel::writeStateFile() const {
  if (stateFile_.isEmpty()) return;
  QSaveFile file(stateFile_);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return;
  QString text;
  text += QStringLiteral("caption=%1\n").arg(lblCom_->text());
  text += QStringLiteral("title=%1\n").arg(windowTitle());
  text += QStringLiteral("banner=%1\n").arg(lblSetUp_->isHidden() ? QString() : lblSetUp_->text());
  text += QStringLiteral("mainValueText=%1\n")
              .arg(QString::fromStdString(state_.display.mainValueText));
  text += QStringLiteral("unitText=%1\n").arg(QString::fromStdString(state_.display.unitText));
  for (int i = 0; i < 6; ++i)
    text += QStringLiteral("mainDigit%1=%2\n").arg(i).arg(mainDigit_[i]->text());
  text += QStringLiteral("frames=%1\n").arg(framesDecoded_);
  file.write(text.toUtf8());
  file.commit();
}

}  // namespace lux
