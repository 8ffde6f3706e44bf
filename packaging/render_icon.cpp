// Build tool: draws the application icon's SVG as the PNG sizes of the hicolor theme.
//   render_icon ICON.svg OUTDIR SIZE...  ->  OUTDIR/SIZExSIZE/apps/luxpanel.png
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  // The icon carries text: fonts need a GUI application, but no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: render_icon ICON.svg OUTDIR SIZE...\n");
    return 2;
  }
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
    return 1;
  }
  for (int i = 3; i < argc; ++i) {
    const int size = QByteArray(argv[i]).toInt();
    if (size < 8 || size > 1024) {
      std::fprintf(stderr, "render_icon: bad size %s\n", argv[i]);
      return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    svg.render(&p);
    p.end();
    const QString dir =
        QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    if (!QDir().mkpath(dir) || !image.save(dir + QStringLiteral("/luxpanel.png"))) {
      std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(dir));
      return 1;
    }
  }
  return 0;
}
