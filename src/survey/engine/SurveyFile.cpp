#include "survey/engine/SurveyFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringList>
#include <cmath>

namespace lux::survey {

namespace {

const char kFormat[] = "luxpanel-survey";

struct Texts {
  Q_DECLARE_TR_FUNCTIONS(SurveyFile)
};

QString isoTime(const QDateTime& t) {
  return t.isValid() ? t.toString(Qt::ISODate) : QString();
}

// A number the file may hold: finite and within [lo, hi].
bool numberIn(const QJsonObject& o, const char* key, double lo, double hi, double* out) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (v.isUndefined()) return true;  // keeps the default
  if (!v.isDouble()) return false;
  const double d = v.toDouble();
  if (!std::isfinite(d) || d < lo || d > hi) return false;
  *out = d;
  return true;
}

QString csvField(QString text) {
  // A spreadsheet would run a note that starts like a formula.
  if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.front()))
    text.prepend(QLatin1Char('\''));
  if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
      text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
    text.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
  }
  return text;
}

// The fields of CSV text, line by line (quoted fields may hold commas, quotes and line ends).
std::vector<QStringList> csvRows(const QString& text) {
  std::vector<QStringList> rows;
  QStringList row;
  QString field;
  bool quoted = false, any = false;
  for (int i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (quoted) {
      if (c == QLatin1Char('"')) {
        if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
          field += c;
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field += c;
      }
      continue;
    }
    if (c == QLatin1Char('"')) {
      quoted = true;
      any = true;
    } else if (c == QLatin1Char(',')) {
      row << field;
      field.clear();
      any = true;
    } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
      if (any || !field.isEmpty()) {
        row << field;
        rows.push_back(row);
      }
      row.clear();
      field.clear();
      any = false;
    } else {
      field += c;
      any = true;
    }
  }
  if (any || !field.isEmpty()) {
    row << field;
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

QByteArray surveyToJson(const Survey& s) {
  const Grid g = s.layout();
  QJsonObject root;
  root[QStringLiteral("format")] = QLatin1String(kFormat);
  root[QStringLiteral("version")] = kSurveyFormatVersion;
  root[QStringLiteral("program")] = s.program;
  root[QStringLiteral("site")] = s.site;
  root[QStringLiteral("area")] = s.area;
  root[QStringLiteral("note")] = s.note;
  root[QStringLiteral("meter")] = s.meter;
  root[QStringLiteral("measuringHeight")] = s.measuringHeight;
  root[QStringLiteral("created")] = isoTime(s.created);
  root[QStringLiteral("current")] = s.current;
  QJsonObject grid;
  grid[QStringLiteral("kind")] = QLatin1String(gridKindName(s.grid.kind));
  grid[QStringLiteral("length")] = s.grid.length;
  grid[QStringLiteral("width")] = s.grid.width;
  grid[QStringLiteral("border")] = s.grid.border;
  grid[QStringLiteral("rows")] = s.grid.rows;
  grid[QStringLiteral("columns")] = s.grid.columns;
  grid[QStringLiteral("bandEdges")] = s.grid.routeBandEdges;
  root[QStringLiteral("grid")] = grid;
  QJsonObject req;
  const Requirement& r = s.requirement;
  req[QStringLiteral("route")] = r.route;
  req[QStringLiteral("task")] = QString::fromStdString(r.task);
  req[QStringLiteral("source")] = QString::fromStdString(r.source);
  req[QStringLiteral("meanLux")] = r.meanLux;
  req[QStringLiteral("u0")] = r.u0;
  req[QStringLiteral("minLux")] = r.minLux;
  req[QStringLiteral("maxRatio")] = r.maxRatio;
  root[QStringLiteral("requirement")] = req;
  QJsonArray points;
  for (std::size_t i = 0; i < s.points.size(); ++i) {
    const SurveyPoint& p = s.points[i];
    QJsonObject o;
    if (i < g.points.size()) {
      o[QStringLiteral("x")] = g.points[i].x;
      o[QStringLiteral("y")] = g.points[i].y;
    }
    o[QStringLiteral("taken")] = p.taken;
    if (p.taken) {
      o[QStringLiteral("lux")] = p.lux;
      o[QStringLiteral("shown")] = p.shownText;
      o[QStringLiteral("unit")] = p.shownUnit;
      o[QStringLiteral("time")] = isoTime(p.time);
    }
    o[QStringLiteral("skipped")] = p.skipped;
    if (p.skipped) o[QStringLiteral("reason")] = p.skipReason;
    if (!p.note.isEmpty()) o[QStringLiteral("note")] = p.note;
    points.append(o);
  }
  root[QStringLiteral("points")] = points;
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<Survey> surveyFromJson(const QByteArray& bytes, QString* error) {
  auto fail = [error](const QString& why) -> std::optional<Survey> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (bytes.size() > kLargestSurveyFile)
    return fail(Texts::tr("The file is too large for a survey."));
  QJsonParseError parse{};
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parse);
  if (parse.error != QJsonParseError::NoError || !doc.isObject())
    return fail(Texts::tr("This is not a luxpanel survey file (no survey data could be read)."));
  const QJsonObject root = doc.object();
  if (root.value(QStringLiteral("format")).toString() != QLatin1String(kFormat))
    return fail(Texts::tr("This is not a luxpanel survey file."));
  const QJsonValue version = root.value(QStringLiteral("version"));
  if (!version.isDouble() || version.toDouble() < 1 ||
      version.toDouble() != std::floor(version.toDouble()))
    return fail(Texts::tr("The survey file has no valid format version."));
  if (version.toDouble() > kSurveyFormatVersion)
    return fail(
        Texts::tr("The survey file was written by a newer luxpanel (format %1); this one reads "
                  "format %2.")
            .arg(version.toInt())
            .arg(kSurveyFormatVersion));
  Survey s;
  s.program = root.value(QStringLiteral("program")).toString();
  s.site = root.value(QStringLiteral("site")).toString();
  s.area = root.value(QStringLiteral("area")).toString();
  s.note = root.value(QStringLiteral("note")).toString();
  s.meter = root.value(QStringLiteral("meter")).toString();
  s.created = QDateTime::fromString(root.value(QStringLiteral("created")).toString(), Qt::ISODate);
  const QString damaged = Texts::tr("The survey file is damaged: %1.");
  if (!numberIn(root, "measuringHeight", 0.0, 1000.0, &s.measuringHeight))
    return fail(damaged.arg(QStringLiteral("measuringHeight")));

  const QJsonObject grid = root.value(QStringLiteral("grid")).toObject();
  if (!gridKindFromName(grid.value(QStringLiteral("kind")).toString().toStdString(), &s.grid.kind))
    return fail(damaged.arg(QStringLiteral("grid kind")));
  double rows = 0, columns = 0;
  if (!numberIn(grid, "length", 0, 1e4, &s.grid.length) ||
      !numberIn(grid, "width", 0, 1e4, &s.grid.width) ||
      !numberIn(grid, "border", 0, 1e4, &s.grid.border) || !numberIn(grid, "rows", 0, 1e5, &rows) ||
      !numberIn(grid, "columns", 0, 1e5, &columns))
    return fail(damaged.arg(QStringLiteral("grid")));
  s.grid.rows = int(rows);
  s.grid.columns = int(columns);
  s.grid.routeBandEdges = grid.value(QStringLiteral("bandEdges")).toBool();
  const Grid g = makeGrid(s.grid);
  if (!g.error.empty()) return fail(damaged.arg(QString::fromStdString(g.error)));

  const QJsonObject req = root.value(QStringLiteral("requirement")).toObject();
  Requirement& r = s.requirement;
  r.route = req.value(QStringLiteral("route")).toBool();
  r.task = req.value(QStringLiteral("task")).toString().toStdString();
  r.source = req.value(QStringLiteral("source")).toString().toStdString();
  if (!numberIn(req, "meanLux", 0, 1e7, &r.meanLux) || !numberIn(req, "u0", 0, 1, &r.u0) ||
      !numberIn(req, "minLux", 0, 1e7, &r.minLux) ||
      !numberIn(req, "maxRatio", 0, 1e9, &r.maxRatio))
    return fail(damaged.arg(QStringLiteral("requirement")));

  const QJsonArray points = root.value(QStringLiteral("points")).toArray();
  if (std::size_t(points.size()) != g.points.size())
    return fail(Texts::tr("The survey file is damaged: it holds %1 points where its grid has %2.")
                    .arg(points.size())
                    .arg(g.points.size()));
  s.points.reserve(g.points.size());
  for (qsizetype i = 0; i < points.size(); ++i) {
    const QJsonObject o = points.at(i).toObject();
    SurveyPoint p;
    p.taken = o.value(QStringLiteral("taken")).toBool();
    p.skipped = o.value(QStringLiteral("skipped")).toBool();
    if (p.taken && p.skipped) p.skipped = false;  // a reading outweighs an old skip
    if (p.taken) {
      if (!numberIn(o, "lux", 0, 1e7, &p.lux))
        return fail(damaged.arg(Texts::tr("point %1").arg(i + 1)));
      p.shownText = o.value(QStringLiteral("shown")).toString();
      p.shownUnit = o.value(QStringLiteral("unit")).toString();
      p.time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODate);
    }
    p.skipReason = o.value(QStringLiteral("reason")).toString();
    p.note = o.value(QStringLiteral("note")).toString();
    s.points.push_back(p);
  }
  const double current = root.value(QStringLiteral("current")).toDouble(0);
  s.current = (current >= 0 && current < double(s.points.size())) ? int(current) : 0;
  return s;
}

bool saveSurvey(const Survey& survey, const QString& path, QString* error) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) {
    if (error)
      *error = Texts::tr("The survey could not be saved to %1: %2").arg(path, f.errorString());
    return false;
  }
  const QByteArray bytes = surveyToJson(survey);
  if (f.write(bytes) != bytes.size() || !f.commit()) {
    if (error)
      *error = Texts::tr("The survey could not be saved to %1: %2").arg(path, f.errorString());
    return false;
  }
  return true;
}

std::optional<Survey> loadSurvey(const QString& path, QString* error) {
  const QFileInfo info(path);
  if (!info.isFile()) {
    if (error) *error = Texts::tr("%1 is not a file.").arg(path);
    return std::nullopt;
  }
  if (info.size() > kLargestSurveyFile) {
    if (error) *error = Texts::tr("The file is too large for a survey.");
    return std::nullopt;
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = Texts::tr("%1 could not be read: %2").arg(path, f.errorString());
    return std::nullopt;
  }
  return surveyFromJson(f.read(kLargestSurveyFile + 1), error);
}

QByteArray pointsCsv(const Survey& s) {
  const Grid g = s.layout();
  QString out = QStringLiteral("point,x,y,lux,time,note,skipped,reason\r\n");
  for (std::size_t i = 0; i < s.points.size() && i < g.points.size(); ++i) {
    const SurveyPoint& p = s.points[i];
    QStringList f;
    f << QString::number(i + 1) << QString::number(g.points[i].x, 'f', 3)
      << QString::number(g.points[i].y, 'f', 3)
      << (p.taken ? QString::number(p.lux, 'f', 2) : QString())
      << (p.taken ? isoTime(p.time) : QString()) << csvField(p.note)
      << (p.skipped ? QStringLiteral("yes") : QStringLiteral("no")) << csvField(p.skipReason);
    out += f.join(QLatin1Char(',')) + QStringLiteral("\r\n");
  }
  return out.toUtf8();
}

std::optional<std::vector<Sample>> samplesFromCsv(const QByteArray& bytes, QString* error) {
  const std::vector<QStringList> rows = csvRows(QString::fromUtf8(bytes));
  auto fail = [error](const QString& why) -> std::optional<std::vector<Sample>> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (rows.empty()) return fail(Texts::tr("The CSV file is empty."));
  const QStringList head = rows.front();
  auto column = [&head](const char* name) {
    for (int i = 0; i < head.size(); ++i)
      if (head.at(i).trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return i;
    return -1;
  };
  const int lux = column("lux"), skipped = column("skipped"), centre = column("centre");
  if (lux < 0) return fail(Texts::tr("The CSV file has no \"lux\" column."));
  std::vector<Sample> samples;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const QStringList& row = rows[r];
    Sample s;
    const QString flag =
        skipped >= 0 && skipped < row.size() ? row.at(skipped).trimmed() : QString();
    s.skipped = flag.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
                flag == QLatin1String("1") ||
                flag.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    if (centre >= 0 && centre < row.size())
      s.centreLine =
          row.at(centre).trimmed().compare(QLatin1String("no"), Qt::CaseInsensitive) != 0;
    const QString text = lux < row.size() ? row.at(lux).trimmed() : QString();
    if (!s.skipped && !text.isEmpty()) {
      bool ok = false;
      s.lux = text.toDouble(&ok);
      if (!ok || !std::isfinite(s.lux) || s.lux < 0.0)
        return fail(Texts::tr("Line %1 of the CSV file holds no illuminance: \"%2\".")
                        .arg(r + 1)
                        .arg(text.left(40)));
      s.taken = true;
    }
    samples.push_back(s);
  }
  return samples;
}

std::vector<TaskArea> taskAreasFromCsv(const QByteArray& bytes) {
  std::vector<TaskArea> areas;
  const std::vector<QStringList> rows = csvRows(QString::fromUtf8(bytes));
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const QStringList& f = rows[r];
    if (f.size() < 7) continue;
    TaskArea a;
    a.route = f.at(0).trimmed() == QLatin1String("route");
    if (!a.route && f.at(0).trimmed() != QLatin1String("room")) continue;
    a.task = f.at(1).trimmed();
    bool ok = true;
    auto number = [&ok](const QString& text, double hi) {
      if (text.trimmed().isEmpty()) return 0.0;
      bool good = false;
      const double v = text.trimmed().toDouble(&good);
      if (!good || !std::isfinite(v) || v < 0 || v > hi) ok = false;
      return good ? v : 0.0;
    };
    a.meanLux = number(f.at(2), 1e7);
    a.u0 = number(f.at(3), 1.0);
    a.minLux = number(f.at(4), 1e7);
    a.maxRatio = number(f.at(5), 1e9);
    a.source = f.at(6).trimmed();
    if (ok && !a.task.isEmpty()) areas.push_back(a);
  }
  return areas;
}

QByteArray taskAreasToCsv(const std::vector<TaskArea>& areas) {
  QString out = QStringLiteral("kind,task,mean_lux,u0,min_lux,max_ratio,source\r\n");
  auto number = [](double v) { return v > 0 ? QString::number(v) : QString(); };
  for (const TaskArea& a : areas) {
    QStringList f;
    f << (a.route ? QStringLiteral("route") : QStringLiteral("room")) << csvField(a.task)
      << number(a.meanLux) << number(a.u0) << number(a.minLux) << number(a.maxRatio)
      << csvField(a.source);
    out += f.join(QLatin1Char(',')) + QStringLiteral("\r\n");
  }
  return out.toUtf8();
}

}  // namespace lux::survey
