// luxpanel-cli survey: the survey's grid and figures without a window, for planning a walk and
// for checking a finished survey in a script.
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "cli/Common.h"
#include "cli/Subcommands.h"
#include "survey/engine/SurveyCompare.h"
#include "survey/engine/SurveyFile.h"

namespace lux::cli {

namespace {

using namespace lux::survey;

constexpr int kExitNotPassed = 3;

void out(const QString& text) {
  std::fputs(text.toUtf8().constData(), stdout);
}

bool readMetres(const QCommandLineParser& p, const QCommandLineOption& o, double* v) {
  if (!p.isSet(o)) return true;
  bool ok = false;
  *v = p.value(o).toDouble(&ok);
  if (!ok)
    complain(QStringLiteral("--%1 wants a number of metres, not '%2'")
                 .arg(o.names().first(), p.value(o)));
  return ok;
}

int runGrid(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption length(QStringLiteral("length"),
                                  "Length of the room or route in metres (along x).", "L");
  const QCommandLineOption width(QStringLiteral("width"), "Width in metres (along y).", "W");
  const QCommandLineOption border(QStringLiteral("border"),
                                  "Band along the walls left out, in metres (default 0.5).", "B");
  const QCommandLineOption route(QStringLiteral("route"),
                                 "An escape route: points along its centre line.");
  const QCommandLineOption edges(QStringLiteral("band-edges"),
                                 "With --route: also the edges of the central band.");
  const QCommandLineOption rows(QStringLiteral("rows"),
                                "A grid by hand: this many rows (with --columns).", "N");
  const QCommandLineOption columns(QStringLiteral("columns"), "A grid by hand: this many columns.",
                                   "N");
  const QCommandLineOption format(QStringLiteral("format"), "csv (default) or json.", "FORMAT",
                                  "csv");
  parser.addOptions({length, width, border, route, edges, rows, columns, format});
  const int parsed = parseSubcommand(
      parser, arguments,
      QStringLiteral("luxpanel-cli survey grid --length L --width W [--border B] [--route "
                     "[--band-edges]] [--rows N --columns N] [--format csv|json]"),
      QStringLiteral("Prints the measuring points of a lighting survey in walking order: the "
                     "spacing p = 0.2 x 5^log10(d) of the workplace rule (at most 10 m, cells "
                     "between half and twice as long as wide, points at cell centres, a border "
                     "band left out), a grid by hand, or an escape route's centre line."),
      0);
  if (parsed >= 0) return parsed;
  GridSpec spec;
  if (!parser.isSet(length) || !parser.isSet(width)) {
    complain(QStringLiteral("survey grid needs --length and --width"));
    return kExitUsage;
  }
  if (!readMetres(parser, length, &spec.length) || !readMetres(parser, width, &spec.width) ||
      !readMetres(parser, border, &spec.border))
    return kExitUsage;
  if (parser.isSet(route)) spec.kind = GridKind::Route;
  spec.routeBandEdges = parser.isSet(edges);
  if (parser.isSet(rows) || parser.isSet(columns)) {
    if (spec.kind == GridKind::Route) {
      complain(QStringLiteral("--rows and --columns make no escape route"));
      return kExitUsage;
    }
    spec.kind = GridKind::ByHand;
    spec.rows = parser.value(rows).toInt();
    spec.columns = parser.value(columns).toInt();
  }
  const QString fmt = parser.value(format);
  if (fmt != QLatin1String("csv") && fmt != QLatin1String("json")) {
    complain(QStringLiteral("--format is csv or json, not '%1'").arg(fmt));
    return kExitUsage;
  }
  const Grid g = makeGrid(spec);
  if (!g.error.empty()) {
    complain(QStringLiteral("no grid: %1").arg(QString::fromStdString(g.error)));
    return kExitUsage;
  }
  if (fmt == QLatin1String("csv")) {
    out(QStringLiteral("point,x,y,row,column,centre\r\n"));
    for (std::size_t i = 0; i < g.points.size(); ++i) {
      const GridPoint& p = g.points[i];
      out(QStringLiteral("%1,%2,%3,%4,%5,%6\r\n")
              .arg(i + 1)
              .arg(QString::number(p.x, 'f', 3), QString::number(p.y, 'f', 3))
              .arg(p.row + 1)
              .arg(p.column + 1)
              .arg(p.centreLine ? QStringLiteral("yes") : QStringLiteral("no")));
    }
    return kExitOk;
  }
  QJsonObject o;
  o["kind"] = QLatin1String(gridKindName(spec.kind));
  o["length"] = spec.length;
  o["width"] = spec.width;
  if (spec.kind != GridKind::Route) o["border"] = spec.border;
  if (spec.kind != GridKind::ByHand) {
    o["relevantSide"] = g.relevantSide;
    o["maxSpacing"] = g.maxSpacing;
  }
  o["rows"] = g.rows;
  o["columns"] = g.columns;
  o["cellLength"] = g.cellLength;
  o["cellWidth"] = g.cellWidth;
  QJsonArray points;
  for (std::size_t i = 0; i < g.points.size(); ++i) {
    const GridPoint& p = g.points[i];
    points.append(QJsonObject{{"point", int(i + 1)},
                              {"x", p.x},
                              {"y", p.y},
                              {"row", p.row + 1},
                              {"column", p.column + 1},
                              {"centre", p.centreLine}});
  }
  o["points"] = points;
  out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)));
  return kExitOk;
}

int runStats(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption em(QStringLiteral("em"), "Required average illuminance in lx (a room).",
                              "LUX");
  const QCommandLineOption u0(QStringLiteral("u0"), "Required uniformity Emin/average (a room).",
                              "RATIO");
  const QCommandLineOption route(QStringLiteral("route"),
                                 "Judge as an escape route (the centre line).");
  const QCommandLineOption min(QStringLiteral("min"),
                               "Route: required least illuminance on the centre line, lx.", "LUX");
  const QCommandLineOption ratio(QStringLiteral("ratio"),
                                 "Route: largest max/min allowed on the centre line.", "R");
  parser.addOptions({em, u0, route, min, ratio});
  parser.addPositionalArgument("FILE", "A .luxsurvey file, or a CSV with a lux column.");
  const int parsed = parseSubcommand(
      parser, arguments,
      QStringLiteral("luxpanel-cli survey stats FILE [--em LUX --u0 RATIO | --route --min LUX "
                     "--ratio R]"),
      QStringLiteral("Prints the average, minimum and maximum illuminance, the uniformity U0 and "
                     "the verdict of a survey file against its own requirement (or the one given "
                     "here), or of a CSV of points (columns lux and, optionally, skipped and "
                     "centre) against the requirement given here. Exit status 0 when it passes, 3 "
                     "when it fails or points are left."),
      1, 1);
  if (parsed >= 0) return parsed;
  const QString path = parser.positionalArguments().first();
  std::vector<Sample> samples;
  Requirement req;
  bool haveRequirement = false;
  QString error;
  QFile f(path);
  if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) {
    complain(QStringLiteral("cannot read %1").arg(path));
    return kExitFailure;
  }
  const QByteArray bytes = f.read(kLargestSurveyFile + 1);
  if (bytes.trimmed().startsWith('{')) {
    auto s = surveyFromJson(bytes, &error);
    if (!s) {
      complain(QStringLiteral("%1: %2").arg(path, error));
      return kExitFailure;
    }
    samples = s->samples(s->layout());
    req = s->requirement;
    haveRequirement = true;
  } else {
    auto read = samplesFromCsv(bytes, &error);
    if (!read) {
      complain(QStringLiteral("%1: %2").arg(path, error));
      return kExitFailure;
    }
    samples = *read;
  }
  auto number = [&parser](const QCommandLineOption& o, double* v) {
    bool ok = false;
    *v = parser.value(o).toDouble(&ok);
    if (!ok || *v < 0)
      complain(
          QStringLiteral("--%1 wants a number, not '%2'").arg(o.names().first(), parser.value(o)));
    return ok && *v >= 0;
  };
  if (parser.isSet(route) || parser.isSet(min) || parser.isSet(ratio)) {
    if (!parser.isSet(min) || !parser.isSet(ratio)) {
      complain(QStringLiteral("a route's requirement needs both --min and --ratio"));
      return kExitUsage;
    }
    req = Requirement{};
    req.route = true;
    if (!number(min, &req.minLux) || !number(ratio, &req.maxRatio)) return kExitUsage;
    req.task = "given on the command line";
    haveRequirement = true;
  } else if (parser.isSet(em) || parser.isSet(u0)) {
    if (!parser.isSet(em) || !parser.isSet(u0)) {
      complain(QStringLiteral("a room's requirement needs both --em and --u0"));
      return kExitUsage;
    }
    req = Requirement{};
    if (!number(em, &req.meanLux) || !number(u0, &req.u0)) return kExitUsage;
    req.task = "given on the command line";
    haveRequirement = true;
  }

  const Stats st = computeStats(samples);
  auto lx = [](double v) { return QString::number(v, 'f', 1) + QStringLiteral(" lx"); };
  const QString none = QStringLiteral("-");
  out(QStringLiteral("points     %1 (%2 taken, %3 skipped, %4 left)\n")
          .arg(st.total)
          .arg(st.taken)
          .arg(st.skipped)
          .arg(st.left));
  out(QStringLiteral("Em         %1\n").arg(st.taken ? lx(st.mean) : none));
  out(QStringLiteral("Emin       %1\n").arg(st.taken ? lx(st.min) : none));
  out(QStringLiteral("Emax       %1\n").arg(st.taken ? lx(st.max) : none));
  out(QStringLiteral("U0         %1\n").arg(st.u0 ? QString::number(*st.u0, 'f', 2) : none));
  out(QStringLiteral("Emin/Emax  %1\n")
          .arg(st.minOverMax ? QString::number(*st.minOverMax, 'f', 2) : none));
  if (req.route && haveRequirement) {
    out(QStringLiteral("centre min %1\n").arg(st.centreTaken ? lx(st.centreMin) : none));
    out(QStringLiteral("centre max/min %1\n")
            .arg(st.centreMaxOverMin ? QString::number(*st.centreMaxOverMin, 'f', 1) : none));
  }
  if (!haveRequirement) {
    complain(
        QStringLiteral("a CSV of points carries no requirement: give --em and --u0, or "
                       "--route with --min and --ratio, for a verdict"));
    return kExitUsage;
  }
  const QString source = QString::fromStdString(req.source);
  out(QStringLiteral("required   %1%2\n")
          .arg(req.route ? QStringLiteral("centre-line minimum >= %1, max/min <= %2")
                               .arg(lx(req.minLux), QString::number(req.maxRatio))
                         : QStringLiteral("Em >= %1, U0 >= %2")
                               .arg(lx(req.meanLux), QString::number(req.u0, 'f', 2)),
               source.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(source)));
  const Verdicts v = judge(st, req);
  out(QStringLiteral("verdict    %1\n").arg(QLatin1String(verdictName(v.overall))));
  return v.overall == Verdict::Pass ? kExitOk : kExitNotPassed;
}

QString signedText(double v, int decimals) {
  QString text = QString::number(v, 'f', decimals);
  if (text.toDouble() == 0.0) return QString::number(0.0, 'f', decimals);
  return v > 0 ? QLatin1Char('+') + text : text;
}

QString requirementText(const Requirement& r) {
  return r.route ? QStringLiteral("centre-line minimum >= %1 lx, max/min <= %2")
                       .arg(QString::number(r.minLux, 'f', 1), QString::number(r.maxRatio))
                 : QStringLiteral("Em >= %1 lx, U0 >= %2")
                       .arg(QString::number(r.meanLux, 'f', 1), QString::number(r.u0, 'f', 2));
}

int runCompare(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption json(QStringLiteral("json"),
                                "Everything as one JSON document instead of text and CSV.");
  parser.addOption(json);
  parser.addPositionalArgument("A", "The survey to compare with (before, or the reference).");
  parser.addPositionalArgument("B", "The survey compared (after).");
  const int parsed = parseSubcommand(
      parser, arguments, QStringLiteral("luxpanel-cli survey compare A B [--json]"),
      QStringLiteral("Compares two .luxsurvey files point by point: points that stand within 5 cm "
                     "of each other are paired, the rest listed as in A only or in B only. Prints "
                     "both surveys' figures, the change of the average and of U0, and a CSV "
                     "table of the points (A, B, the difference in lx and in % of A). Exit "
                     "status 0 when B passes its requirement, 3 when it fails or points are "
                     "left, 2 when a file cannot be read or no point can be paired."),
      2, 2);
  if (parsed >= 0) return parsed;
  const QStringList paths = parser.positionalArguments();
  std::vector<Survey> surveys;
  for (const QString& path : paths) {
    QString error;
    auto s = loadSurvey(path, &error);
    if (!s) {
      // As for survey stats: a file that cannot be read is a failure, not a wrong command line.
      complain(QStringLiteral("%1: %2").arg(path, error));
      return kExitFailure;
    }
    surveys.push_back(std::move(*s));
  }
  QString error;
  const auto c = compareSurveys(surveys[0], surveys[1], &error);
  if (!c) {
    complain(error);
    return kExitUsage;
  }
  const int code = c->b.verdicts.overall == Verdict::Pass ? kExitOk : kExitNotPassed;
  if (parser.isSet(json)) {
    QJsonObject o = comparisonJson(*c);
    for (int i = 0; i < 2; ++i) {
      const char* key = i == 0 ? "a" : "b";
      QJsonObject side = o[key].toObject();
      side["file"] = paths[i];
      side["required"] = requirementText(surveys[std::size_t(i)].requirement);
      o[key] = side;
    }
    out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)));
    return code;
  }
  const QString none = QStringLiteral("-");
  auto lx = [&none](bool any, double v) {
    return any ? QString::number(v, 'f', 1) + QStringLiteral(" lx") : none;
  };
  auto ratio = [&none](const std::optional<double>& v) {
    return v ? QString::number(*v, 'f', 2) : none;
  };
  auto row = [](const QString& label, const QString& a, const QString& b, const QString& change) {
    QString line = QStringLiteral("%1%2%3%4").arg(label, -11).arg(a, -15).arg(b, -15).arg(change);
    while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    out(line + QLatin1Char('\n'));
  };
  const Stats &sa = c->a.stats, &sb = c->b.stats;
  out(QStringLiteral("A          %1\nB          %2\n").arg(paths[0], paths[1]));
  row(QString(), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("change"));
  auto counts = [](const Stats& s) {
    return QStringLiteral("%1/%2 taken").arg(s.taken).arg(s.total);
  };
  row(QStringLiteral("points"), counts(sa), counts(sb), QString());
  row(QStringLiteral("skipped"), QString::number(sa.skipped), QString::number(sb.skipped),
      QString());
  QString meanChange = none;
  if (c->meanChange) {
    meanChange = signedText(*c->meanChange, 1) + QStringLiteral(" lx");
    meanChange += c->meanChangePercent
                      ? QStringLiteral(" (%1 %)").arg(signedText(*c->meanChangePercent, 1))
                      : QStringLiteral(" (no % of 0 lx)");
  }
  row(QStringLiteral("Em"), lx(sa.taken, sa.mean), lx(sb.taken, sb.mean), meanChange);
  row(QStringLiteral("Emin"), lx(sa.taken, sa.min), lx(sb.taken, sb.min), QString());
  row(QStringLiteral("Emax"), lx(sa.taken, sa.max), lx(sb.taken, sb.max), QString());
  row(QStringLiteral("U0"), ratio(sa.u0), ratio(sb.u0),
      c->u0Change ? signedText(*c->u0Change, 2) : none);
  row(QStringLiteral("verdict"), QLatin1String(verdictName(c->a.verdicts.overall)),
      QLatin1String(verdictName(c->b.verdicts.overall)), QString());
  out(QStringLiteral("required A %1\nrequired B %2\n")
          .arg(requirementText(surveys[0].requirement), requirementText(surveys[1].requirement)));
  out(QStringLiteral("paired     %1 points (%2 in A only, %3 in B only)\n\n")
          .arg(c->matched)
          .arg(c->onlyA)
          .arg(c->onlyB));
  out(QString::fromUtf8(comparisonCsv(*c)));
  return code;
}

}  // namespace

int runSurvey(const QStringList& arguments) {
  // "luxpanel-cli survey grid ..." arrives as "luxpanel-cli grid ..." for the subcommand.
  const QString what = arguments.size() > 1 ? arguments.at(1) : QString();
  QStringList rest = arguments;
  if (rest.size() > 1) rest.removeAt(1);
  if (what == QLatin1String("grid")) return runGrid(rest);
  if (what == QLatin1String("stats")) return runStats(rest);
  if (what == QLatin1String("compare")) return runCompare(rest);
  if (what == QLatin1String("--help") || what == QLatin1String("-h")) {
    out(QStringLiteral(
        "Usage: luxpanel-cli survey grid|stats|compare [OPTIONS] (see luxpanel-cli survey "
        "grid --help)\n"));
    return kExitOk;
  }
  complain(QStringLiteral("survey wants grid, stats or compare"));
  return kExitUsage;
}

}  // namespace lux::cli
