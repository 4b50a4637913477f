// tessaro: the windows.
#include <QAction>
#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <cstdlib>

#include "app/MDIForm1.h"
#include "app/StartOptions.h"
#include "app/Startup.h"
#include "widgets/LayerWindow.h"
#include "widgets/Worker.h"

int main(int argc, char** argv) {
  if (tessaro::ui::AnswerInfoOption(argc, argv)) return 0;
  QApplication app(argc, argv);
  tessaro::ui::SetUpApplication(app);
  // The menu entry an installed copy brings (none in a build tree).
  QGuiApplication::setDesktopFileName("tessaro");

  tessaro::ui::MDIForm1 window;
  window.show();
  // "--show NAME" starts with that window in front (Form1 … Form5, map …
  // map3): for screenshots and scripted demonstrations.
  const QStringList args = QApplication::arguments();
  const qsizetype at = args.indexOf("--show");
  if (at >= 0 && at + 1 < args.size()) {
    const QString name = args.at(at + 1);
    // The menu entries of the two template windows also list the saved
    // templates; starting there does the same.
    const QString menuEntry = name == "Form1" ? "bts" : name == "Form2" ? "dt" : QString();
    QAction* entry = menuEntry.isEmpty() ? nullptr : window.findChild<QAction*>(menuEntry);
    if (entry)
      entry->trigger();
    else
      window.showChild(name);
  }
  const QString book = tessaro::ui::StartWorkbook(args);
  if (!book.isEmpty()) tessaro::ui::OpenAtStart(window, book);
  // "--more" opens the front window's "更多选项…" dialog once the loop runs.
  if (args.contains("--more")) {
    const QString front = !book.isEmpty() || at < 0 || at + 1 >= args.size() ? QStringLiteral("Form1") : args.at(at + 1);
    if (auto* w = qobject_cast<tessaro::ui::LayerWindow*>(window.child(front)))
      QTimer::singleShot(0, w, [w] { w->openMoreOptions(); });
  }
  if (args.contains("--smoke")) QTimer::singleShot(0, &app, &QApplication::quit);
  const int status = QApplication::exec();
  // A job that did not stop by the quit's deadline: its temporary files are
  // gone; end now rather than unwind the program under it.
  if (tessaro::ui::JobThreadsLeft()) std::_Exit(status);
  return status;
}
