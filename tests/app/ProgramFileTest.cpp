// The program started with a data file (a double click in the file manager) on a port that
// cannot be opened: the file is shown, the panel says "No COM" and keeps trying, and the port
// window is offered again; nothing ends the program, no box waits for a click.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include "app/AppContext.h"
#include "app/PortWindow.h"
#include "app/Program.h"
#include "panel/Panel.h"
#include "records/ListWindows.h"
#include "ui/GridModel.h"

namespace lux {
namespace {

TEST(ProgramWithAFile, ShowsTheFileWhateverThePortDoes) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath(QStringLiteral("rec.txt"));
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Lx\tTime\tValue\r\n1\t09-08:05:08\t-5.0\r\n2\t09-08:05:10\t12.5\r\n");
  }
  ProgramOptions options;
  options.port = dir.filePath(QStringLiteral("no-such-tty"));
  options.file = file;

  // A box would wait for a click: each one is counted and closed.
  int boxes = 0;
  QTimer boxCloser;
  boxCloser.setInterval(50);
  QObject::connect(&boxCloser, &QTimer::timeout, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      ++boxes;
      box->close();
    }
  });
  boxCloser.start();

  bool started = false, seen = false;
  QStringList values;
  QString unit, portCaption, offeredPort, listTitle;
  ProgramExtension extension;
  extension.started = [&](AppContext& ctx) {
    started = true;
    auto* check = new QTimer(ctx.panel);
    int rounds = 0;
    QObject::connect(check, &QTimer::timeout, ctx.panel, [&, check, rounds]() mutable {
      auto* panel = qobject_cast<Panel*>(ctx.panel);
      ListWindow* list = fileList(ctx.records);
      PortWindow* offered = nullptr;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<PortWindow*>(w); p && p->isVisible()) offered = p;
      const bool ready = panel && list && !list->loading() && offered;
      if (ready) {
        seen = true;
        for (int r = 1; r < list->grid().rows(); ++r) values << list->grid().cell(r, 2);
        unit = list->grid().cell(0, 0);
        listTitle = list->windowTitle();
        portCaption = panel->elementText(QStringLiteral("LblCOM"));
        offeredPort = offered->txtCom()->currentText();
      }
      if (ready || ++rounds > 200) {
        check->stop();
        ctx.panel->close();
      }
    });
    check->start(50);
  };
  const int code = runProgram(*qApp, options, extension);

  EXPECT_EQ(code, 0);
  EXPECT_TRUE(started);
  EXPECT_EQ(boxes, 0);
  ASSERT_TRUE(seen);
  EXPECT_EQ(values, (QStringList{"-5.0", "12.5"}));
  EXPECT_EQ(unit, "Lx");
  EXPECT_EQ(listTitle, "rec.txt");
  EXPECT_EQ(portCaption, "No COM");
  EXPECT_EQ(offeredPort, options.port);
}

}  // namespace
}  // namespace lux
