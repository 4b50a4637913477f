// tessaro: the windows.
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
  if (at >= 0 && at + 1 < args.size()) window.showChild(args.at(at + 1));
  return QApplication::exec();
}
