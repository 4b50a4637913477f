// tessaro: the windows.
#include <QAction>
#include <QApplication>
#include <QStringList>

#include "shell/MDIForm1.h"
#include "shell/Startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tessaro::ui::SetUpApplication(app);

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
  return QApplication::exec();
}
