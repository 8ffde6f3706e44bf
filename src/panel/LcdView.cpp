#include "panel/LcdView.h"

#include <QFontMetricsF>
#include <QFrame>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>

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

// An annunciator and the flag that lights it.
struct Annunciator {
  const char* control;
  bool DisplayState::*flag;
};

// In the order the meter's picture is refreshed; the unit marks come between the two tables.
constexpr Annunciator kBeforeUnits[] = {
    {"ImgRel", &DisplayState::annRel},       {"LblComp", &DisplayState::annComp},
    {"LblCal", &DisplayState::annCal},       {"LblZero", &DisplayState::annZero},
    {"LblUAvg", &DisplayState::annUpperAvg}, {"LblHold", &DisplayState::annHold},
    {"LblRef", &DisplayState::annRef},       {"LblUpPercent", &DisplayState::annUpperPercent},
};
constexpr Annunciator kAfterUnits[] = {
    {"LblCD", &DisplayState::annCd},
    {"LblLight", &DisplayState::annLight},
    {"LblSmallPlus", &DisplayState::annSmallPlus},
    {"LblStray", &DisplayState::annStray},
    {"LblComma", &DisplayState::annComma},
    {"ImgBt", &DisplayState::annBattery},
    {"LblBigPlus", &DisplayState::annBigPlus},
    {"LblNeg", &DisplayState::annNegative},
    {"ImgAuto", &DisplayState::annAuto},
    {"LblCycle", &DisplayState::annCycle},
    {"LblRead", &DisplayState::annRead},
    {"LblDAvg", &DisplayState::annLowerAvg},
    {"LblNo", &DisplayState::annNo},
    {"LblStart", &DisplayState::annStart},
    {"LblIntv", &DisplayState::annIntv},
    {"LblStop", &DisplayState::annStop},
    {"LblDH", &DisplayState::annDH},
    {"Lblms", &DisplayState::annMs},
    {"LblTH", &DisplayState::annTimeHold},
    {"LblDownPercent", &DisplayState::annLowerPercent},
    {"Lblft", &DisplayState::annFt},
    {"Lblm", &DisplayState::annM},
    {"LblBP1", &DisplayState::annMainPoint1},
    {"LblBP2", &DisplayState::annMainPoint2},
    {"LblBP3", &DisplayState::annMainPoint3},
    {"LblSP1", &DisplayState::annSubPoint1},
    {"LblSP2", &DisplayState::annSubPoint2},
    {"LblSP3", &DisplayState::annSubPoint3},
    {"LblDateDot", &DisplayState::annDateDot},
    {"LblTimeDot", &DisplayState::annTimeDot},
    {"LblMem", &DisplayState::annMem},
};

// Ink that runs past a glyph's measured bounds by anti-aliasing.
constexpr qreal kInkBleed = 2;

// The status note's place, in twips: from past the recording count to the right edge.
constexpr int kNoteLeft = 3600;
constexpr int kNoteWidth = LcdView::kWidthTwips - kNoteLeft - 120;
constexpr double kNotePoints = 9.75;
constexpr double kNoteSmallestPoints = 6.0;

}  // namespace

LcdView::LcdView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Lcd"));
  setFixedSize(twipsSize(this, kWidthTwips, kHeightTwips));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kGlass);
  pal.setColor(QPalette::WindowText, kSegment);
  setPalette(pal);
  build();
}

QLabel* LcdView::addLabel(const QString& name, const QString& text, int left, int top,
                          double points, QLabel* label) {
  if (label)
    label->setText(text);
  else
    label = new QLabel(text, this);
  label->setObjectName(name);
  label->setFont(lcdFont(points));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setMargin(0);
  label->setIndent(0);
  label->move(twipsPoint(this, left, top));
  const QFontMetrics fm(label->font(), label);
  label->resize(fm.horizontalAdvance(text) + 2, fm.height());
  elements_.insert(name, label);
  return label;
}

// A digit cell holds `count` characters side by side. It is as wide as the widest characters
// it can be asked to show, measured in the font Qt really picked on this screen: the overload
// "O" and the letters B, D and A of hexadecimal digits are wider than an "8", and a cell cut to
// an "8" clipped them ("OL" read "CL").
QLabel* LcdView::addDigitCell(const QString& name, int left, int top, double points,
                              const char* glyphs, int count) {
  QLabel* cell = addLabel(name, QString(), left, top, points);
  const QFontMetricsF fm(cell->font(), cell);
  qreal advance = 0, inkRight = 0, inkBottom = fm.height();
  for (const char* c = glyphs; *c; ++c) {
    const QString glyph = QString(QLatin1Char(*c));
    const QRectF ink = fm.boundingRect(glyph);  // relative to the baseline origin
    advance = std::max(advance, fm.horizontalAdvance(glyph));
    inkRight = std::max({inkRight, ink.right(), fm.horizontalAdvance(glyph)});
    inkBottom = std::max(inkBottom, fm.ascent() + ink.bottom());
  }
  const qreal width = advance * (count - 1) + inkRight + kInkBleed;
  cell->resize(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(inkBottom)));
  return cell;
}

QLabel* LcdView::addPoint(const QString& name, const QString& text, int left, int top,
                          double points, int nextDigitLeft, int digitPitch) {
  // A point belongs in the gap between two digits. Its place on the meter's picture names the
  // gap; the glyph is centred between the ink of the digit before and the digit after it (an
  // "8", the shape of the meter's own segments), so it never runs into either whatever the
  // font's side bearings.
  QLabel* label = addLabel(name, text, left, top, points);
  const QFontMetrics fm(label->font(), label);
  const QRect digitInk = fm.boundingRect(QLatin1Char('8'));
  const QRect pointInk = fm.boundingRect(text);
  const int next = twipsX(this, nextDigitLeft);
  const int previous = twipsX(this, nextDigitLeft - digitPitch);
  const double gapCentre = (previous + digitInk.right() + next + digitInk.left()) / 2.0;
  label->move(static_cast<int>(std::lround(gapCentre - (pointInk.left() + pointInk.width() / 2.0))),
              label->y());
  return label;
}

QLabel* LcdView::addImage(const QString& name, const QString& resource, int left, int top,
                          int width, int height) {
  auto* label = new QLabel(this);
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

// Elements are named as the meter's picture names them. Indexed arrays of the picture
// (MainDigit, TimeDigit) are separate labels whose objectName carries the index: "MainDigit0" to
// "MainDigit5" left to right, "TimeDigit0" to "TimeDigit3"; each also has the property "index".
// MemoryDigit is one label showing both memory digits.
void LcdView::build() {
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
        addDigitCell(QStringLiteral("MainDigit%1").arg(i), mainLeft[i], 1080, 72, kMainGlyphs, 1);
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
    timeDigit_[i] = addDigitCell(QStringLiteral("TimeDigit%1").arg(i), timeLeft[i], 3480, 60,
                                 kSecondaryGlyphs, 1);
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
  memoryDigit_ = addDigitCell(QStringLiteral("MemoryDigit"), 1485, 3600, 48, kMainGlyphs, 2);
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
  // The last secondary digit's cell reaches past 6600 twips in a 60 pt bold font: the right
  // block moves towards clear of it rather than being drawn over a wide digit, but never off
  // the glass.
  const int clear = timeDigit_[3]->geometry().right() + 1 + twipsX(this, 45);
  for (const char* name : {"LblDownPercent", "Lblft", "Lblm"}) {
    QWidget* w = element(QLatin1String(name));
    if (w->x() < clear) w->move(std::min(clear, width() - w->width()), w->y());
  }

  // Banner over the main digits for SET UP, CLEAR and RS232.
  const QRect banner = twipsRect(this, 960, 1680, 5175, 1665);
  shapeSetUp_ = new QFrame(this);
  shapeSetUp_->setObjectName(QStringLiteral("ShapeSetUp"));
  shapeSetUp_->setGeometry(banner);
  shapeSetUp_->setFrameShape(QFrame::Box);
  shapeSetUp_->setLineWidth(2);
  shapeSetUp_->setAutoFillBackground(true);
  elements_.insert(QStringLiteral("ShapeSetUp"), shapeSetUp_);
  lblSetUp_ = new QLabel(QStringLiteral("SET UP"), this);
  lblSetUp_->setObjectName(QStringLiteral("LblSetUp"));
  lblSetUp_->setFont(lcdFont(72));
  lblSetUp_->setAlignment(Qt::AlignCenter);
  lblSetUp_->setGeometry(banner);
  elements_.insert(QStringLiteral("LblSetUp"), lblSetUp_);

  // Status row: the recording labels (filled by the recording) and the port caption.
  const double status = 9.75;
  QLabel* name = addLabel(QStringLiteral("LblFileName"), QString(), 120, 4920, status);
  name->resize(twipsSize(this, 4800, 240));
  addLabel(QStringLiteral("LblRec"), tr("Rec."), 120, 5160, status);
  QLabel* count = addLabel(QStringLiteral("LblCount"), QString(), 1080, 5160, status);
  count->resize(twipsSize(this, 2400, 240));
  lblCom_ = new ClickableLabel(this);
  addLabel(QStringLiteral("LblCOM"), tr("No COM"), 5040, 4920, status, lblCom_);
  lblCom_->resize(twipsSize(this, 2100, 240));
  lblCom_->setCursor(Qt::PointingHandCursor);
  connect(lblCom_, &ClickableLabel::clicked, this, &LcdView::portCaptionClicked);
  // The rest of the lower row, right of the recording count and below the port caption.
  lblNote_ = addLabel(QStringLiteral("LblMeterNote"), QString(), kNoteLeft, 5160, status);
  lblNote_->resize(twipsSize(this, kNoteWidth, 240));
  lblPublish_ = addLabel(QStringLiteral("LblPublishNote"), QString(), kNoteLeft, 5160, status);
  lblPublish_->resize(twipsSize(this, kNoteWidth, 240));

  // Until the first frame arrives the LCD is blank, as the meter's own is before it speaks.
  static const char* const kShownFromStart[] = {"LblCCF", "LblFileName", "LblRec", "LblCount",
                                                "LblCOM"};
  for (auto it = elements_.cbegin(); it != elements_.cend(); ++it) {
    const bool keep = std::any_of(std::begin(kShownFromStart), std::end(kShownFromStart),
                                  [&](const char* n) { return it.key() == QLatin1String(n); });
    if (!keep) it.value()->hide();
  }
  shapeSetUp_->raise();
  lblSetUp_->raise();
}

void LcdView::setShown(const char* name, bool visible) {
  if (QWidget* w = element(QLatin1String(name))) w->setVisible(visible);
}

bool LcdView::showBanner(const DisplayState& d) {
  const char* banner = d.annSetUp   ? "SET UP"
                       : d.annClear ? "CLEAR"
                       : d.annRs232 ? "RS232"
                                    : nullptr;
  if (!banner) {
    shapeSetUp_->hide();
    lblSetUp_->hide();
    return false;
  }
  lblSetUp_->setText(QString::fromLatin1(banner));
  shapeSetUp_->show();
  lblSetUp_->show();
  return true;
}

void LcdView::showDigits(const DisplayState& d) {
  QString memory;
  for (char c : d.memoryDigits)
    if (c != ' ') memory += QLatin1Char(c);
  memoryDigit_->setText(memory);
  memoryDigit_->setVisible(!memory.isEmpty());

  for (size_t i = 0; i < mainDigit_.size(); ++i) {
    const char c = i < d.mainDigits.size() ? d.mainDigits[i] : ' ';
    if (c == ' ') {
      mainDigit_[i]->hide();
      mainDigit_[i]->clear();
    } else {
      mainDigit_[i]->setText(QString(QLatin1Char(c)));
      mainDigit_[i]->show();
    }
  }
  for (size_t i = 0; i < timeDigit_.size(); ++i) {
    const char c = i < d.secondaryDigits.size() ? d.secondaryDigits[i] : ' ';
    timeDigit_[i]->setText(QString(QLatin1Char(c)));
    timeDigit_[i]->show();
  }
}

// An hour unit shows its "-h"; the other unit's mark keeps what it had.
void LcdView::showUnitMarks(const DisplayState& d) {
  if (d.annFcHour) {
    setShown("LblFc", true);
    setShown("LblFch", true);
    setShown("LblLxh", false);
  } else if (d.annLxHour) {
    setShown("LblLxh", true);
    setShown("LblLx", true);
  } else {
    setShown("LblFch", false);
    setShown("LblLxh", false);
    setShown("LblFc", d.annFc);
    setShown("LblLx", d.annLx);
  }
}

void LcdView::showAnnunciators(const DisplayState& d) {
  for (const Annunciator& a : kBeforeUnits) setShown(a.control, d.*a.flag);
  showUnitMarks(d);
  for (const Annunciator& a : kAfterUnits) setShown(a.control, d.*a.flag);
}

QString LcdView::bannerText() const {
  return lblSetUp_->isHidden() ? QString() : lblSetUp_->text();
}

void LcdView::setPortCaption(const QString& caption) {
  lblCom_->setText(caption);
  lblCom_->show();
}

QString LcdView::portCaption() const {
  return lblCom_->text();
}

void LcdView::setStatusNote(const QString& note, const QString& explanation) {
  lblNote_->setText(note);
  lblNote_->setToolTip(explanation);
  lblNote_->setVisible(!note.isEmpty());
  if (!note.isEmpty()) fitNote(lblNote_, note);
  showPublishNote();
}

void LcdView::setPublishNote(const QString& note, const QString& explanation) {
  publishNote_ = note;
  lblPublish_->setText(note);
  lblPublish_->setToolTip(explanation);
  if (!note.isEmpty()) fitNote(lblPublish_, note);
  showPublishNote();
}

void LcdView::showPublishNote() {
  lblPublish_->setVisible(!publishNote_.isEmpty() && lblNote_->isHidden());
}

void LcdView::fitNote(QLabel* label, const QString& note) {
  // A longer wording (another language) gets a smaller size rather than being cut off at the
  // window's edge.
  QFont f = label->font();
  for (double points = kNotePoints; points >= kNoteSmallestPoints; points -= 0.25) {
    f.setPointSizeF(points);
    if (QFontMetrics(f, label).horizontalAdvance(note) + kInkBleed <= label->width()) break;
  }
  label->setFont(f);
}

QString LcdView::statusNote() const {
  return lblNote_->isHidden() ? QString() : lblNote_->text();
}

}  // namespace lux
