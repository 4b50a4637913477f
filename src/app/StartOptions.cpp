#include "app/StartOptions.h"

#include <QFileInfo>
#include <cstdio>
#include <cstring>

#include "widgets/Dialogs.h"
#include "widgets/LayerWindow.h"
#include "app/MDIForm1.h"

namespace tessaro::ui {

QString HelpText() {
  return QStringLiteral(
      "Usage: tessaro [BOOK] [--show WINDOW] [--more]\n"
      "   or: tessaro --version | --help\n"
      "\n"
      "Starts the windows of Tessaro: Excel cell lists, drive-test logs and test-point\n"
      "lists become Google Earth (KML) and MapInfo (MIF/MID) layers. BOOK, a workbook\n"
      "(.xlsx, .xls), opens in the KML sector window as its \"打开文件\" button would.\n"
      "\n"
      "options:\n"
      "  --show WINDOW  start with that window in front: Form1 (KML sectors), Form2 (KML\n"
      "                 drive test), Form3 (KML fly lines), Form5 (KML landmarks), map,\n"
      "                 map2, map3 (MIF sectors, drive test, fly lines), Form4 (notes)\n"
      "  --more         open that window's 更多选项 dialog at start (Form1 when BOOK is\n"
      "                 given; for screenshots)\n"
      "  --smoke        show the windows and end at once with status 0 (checks that the\n"
      "                 program starts)\n"
      "  -V, --version  print the version\n"
      "  -h, --help     print this help\n"
      "\n"
      "Templates and icons are kept in the save folder: save/ beside the executable in a\n"
      "build tree, otherwise $XDG_DATA_HOME/tessaro/save (~/.local/share/tessaro/save).\n"
      "tessaro-cli writes the same layers without a window.\n");
}

bool AnswerInfoOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      std::fputs(HelpText().toUtf8().constData(), stdout);
      return true;
    }
    if (!std::strcmp(a, "--version") || !std::strcmp(a, "-V")) {
      std::printf("tessaro %s\n", TESSARO_VERSION);
      return true;
    }
  }
  return false;
}

QString StartWorkbook(const QStringList& args) {
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args.at(i) == QLatin1String("--show")) {
      ++i;  // its value
      continue;
    }
    if (!args.at(i).startsWith('-')) return args.at(i);
  }
  return {};
}

void OpenAtStart(MDIForm1& window, const QString& path) {
  const QFileInfo file(path);
  if (!file.isFile()) {
    dialogs().message(&window, QStringLiteral("友情提示"), QStringLiteral("找不到文件：") + path);
    return;
  }
  window.showChild("Form1");
  if (auto* sectors = qobject_cast<LayerWindow*>(window.child("Form1"))) sectors->picker()->openFile(path);
}

}  // namespace tessaro::ui
