#pragma once
// What the program's command line asks for besides "--show": the help and
// version texts, and a workbook to open at start (the desktop's "open with"
// passes the file's path as the only argument).
#include <QString>
#include <QStringList>

namespace tessaro::ui {

class MDIForm1;

// The text of "tessaro --help".
QString HelpText();

// "--help"/"-h" or "--version"/"-V" among `args` (program name first): prints
// the answer on standard output and returns true; the program then ends with
// status 0 without opening a window (so it works without a display).
[[nodiscard]] bool AnswerInfoOption(int argc, char** argv);

// The workbook named on the command line: the first argument after the
// program's name that is not an option nor the value of "--show". Empty when
// there is none.
QString StartWorkbook(const QStringList& args);

// Opens `path` in the KML sector window as its "打开文件" button does (sheet
// list, pre-selected columns, proposed output name) and brings that window to
// the front. A path that names no file leaves the windows as they are and says
// so in a message box.
void OpenAtStart(MDIForm1& window, const QString& path);

}  // namespace tessaro::ui
