#pragma once
// Every message box, input box, file and colour dialog a window shows goes
// through Dialogs, so tests can replace it with a scripted fake that records
// titles and texts and answers without blocking.
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

namespace tessaro::ui {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // An OK message box; `detail` (if not empty) goes into the detailed text.
  virtual void message(QWidget* parent, const QString& title, const QString& text, const QString& detail = {}) = 0;
  // A Yes/No question; true for Yes. 否 is the default answer (Enter and
  // Escape give No): every question the program asks would destroy
  // something on Yes.
  virtual bool question(QWidget* parent, const QString& title, const QString& text) = 0;
  // An input box; nothing when cancelled.
  virtual std::optional<QString> input(QWidget* parent, const QString& title, const QString& prompt,
                                       const QString& initial) = 0;
  // A colour dialog; nothing when cancelled.
  virtual std::optional<QColor> colour(QWidget* parent, const QColor& initial) = 0;
  // A file-open dialog allowing several files; empty when cancelled.
  virtual QStringList openFiles(QWidget* parent, const QString& title, const QString& filter) = 0;

  // A layer's completion message: `text`, the written `paths` under it, an
  // OK button and "打开所在文件夹". True when the user chose the folder
  // button. A fake that does not script it shows a plain message.
  virtual bool completion(QWidget* parent, const QString& title, const QString& text, const QStringList& paths) {
    message(parent, title, text);
    (void)paths;
    return false;
  }
  // A failure: the window's own sentence (`text`), the one-line `reason`
  // under it in the box, and `detail` (the whole account) behind the
  // details button. A fake that does not script it shows a plain message.
  virtual void failure(QWidget* parent, const QString& title, const QString& text, const QString& reason,
                       const QString& detail) {
    (void)reason;
    message(parent, title, text, detail);
  }
  // A message with `paths` under its text, each on one line (a folder the
  // user must find by hand). A fake that does not script it shows a plain
  // message with the paths on lines under the text.
  virtual void notice(QWidget* parent, const QString& title, const QString& text, const QStringList& paths) {
    message(parent, title, text + QStringLiteral("\n") + paths.join(QStringLiteral("\n")));
  }
  // Asks before `files` are replaced: `text`, then the files one per line;
  // 否 is the default answer. A fake that does not script it asks `text`.
  virtual bool confirmReplace(QWidget* parent, const QString& title, const QString& text, const QStringList& files) {
    (void)files;
    return question(parent, title, text);
  }
  // Opens `folder` in the desktop's file manager; false when no program
  // could open it (a fake opens nothing and says it did).
  virtual bool openFolder(const QString& folder) {
    (void)folder;
    return true;
  }
  // A completion message as completion() whose extra button is `action`
  // ("打开报表") instead of the folder button. True when the user chose it.
  // A fake that does not script it shows a plain message.
  virtual bool completionOffering(QWidget* parent, const QString& title, const QString& text, const QStringList& paths,
                                  const QString& action) {
    message(parent, title, text);
    (void)paths;
    (void)action;
    return false;
  }
  // Opens `file` in the desktop's viewer for its kind (nothing in a fake).
  virtual void openFile(const QString& file) { (void)file; }
  // A window's own modal dialog, built by the window; true when the user
  // accepted it. A fake may set its controls (found by their object names)
  // before answering; one that does not script it cancels.
  virtual bool exec(QDialog& dialog) {
    (void)dialog;
    return false;
  }
};

// The dialogs in use (the real Qt ones unless a test installed a fake).
Dialogs& dialogs();
// Installs `d` (not owned); nullptr restores the real dialogs.
void setDialogs(Dialogs* d);

// Pixels a message box keeps beside its title's text for the window frame's
// icon and buttons.
constexpr int kTitleFrameAllowance = 140;

// Colour values as the buttons hold them: 0x00BBGGRR, red in the low byte.
QColor ColourFromValue(unsigned value);
unsigned ValueFromColour(const QColor& c);

}  // namespace tessaro::ui
