// tessaro: the windows.
#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <QTimer>

#include "shell/MDIForm1.h"
#include "shell/StartOptions.h"
#include "shell/Startup.h"

int main(int argc, char** argv) {
  if (tessaro::ui::AnswerInfoOption(argc, argv)) return 0;
  QApplication app(argc, argv);
  tessaro::ui::SetUpApplication(app);
  // The menu entry and icon an installed copy brings (none in a build tree).
  QGuiApplication::setDesktopFileName("tessaro");
  QApplication::setWindowIcon(QIcon::fromTheme("tessaro"));

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
  if (const QString book = tessaro::ui::StartWorkbook(args); !book.isEmpty()) tessaro::ui::OpenAtStart(window, book);
  if (args.contains("--smoke")) QTimer::singleShot(0, &app, &QApplication::quit);
  return QApplication::exec();
}
