#pragma once
// A scripted stand-in for the dialogs: records what a window shows and
// answers from queues (OK / default answers when a queue is empty).
#include <QColor>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "widgets/Dialogs.h"

struct Shown {
  QString kind, title, text, detail;
  QStringList paths = {};   // a completion message's written files, a question's files to replace
  QString reason = {};      // a failure's line under its text
  QWidget* parent = nullptr;
};

class FakeDialogs : public tessaro::ui::Dialogs {
 public:
  FakeDialogs() { tessaro::ui::setDialogs(this); }
  ~FakeDialogs() override { tessaro::ui::setDialogs(nullptr); }

  void message(QWidget* parent, const QString& title, const QString& text, const QString& detail) override {
    shown.push_back({"message", title, text, detail, {}, {}, parent});
  }
  // A failure is a message whose reason goes under its text.
  void failure(QWidget* parent, const QString& title, const QString& text, const QString& reason,
               const QString& detail) override {
    shown.push_back({"message", title, text, detail, {}, reason, parent});
  }
  bool question(QWidget* parent, const QString& title, const QString& text) override {
    return confirmReplace(parent, title, text, {});
  }
  bool confirmReplace(QWidget* parent, const QString& title, const QString& text, const QStringList& files) override {
    shown.push_back({"question", title, text, {}, files, {}, parent});
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<QString> input(QWidget*, const QString& title, const QString& prompt, const QString& initial) override {
    shown.push_back({"input", title, prompt, initial});
    if (inputs.empty()) return std::nullopt;
    const QString a = inputs.front();
    inputs.pop_front();
    if (a.isNull()) return std::nullopt;  // a null text scripts "cancel"
    return a;
  }
  std::optional<QColor> colour(QWidget*, const QColor& initial) override {
    shown.push_back({"colour", {}, initial.name(), {}});
    if (colours.empty()) return std::nullopt;
    auto a = colours.front();
    colours.pop_front();
    return a;
  }
  QStringList openFiles(QWidget*, const QString& title, const QString& filter) override {
    shown.push_back({"open", title, filter, {}});
    if (files.empty()) return {};
    auto a = files.front();
    files.pop_front();
    return a;
  }

  // A completion message is a message box with the paths under its text;
  // `folderAnswers` scripts the presses of its folder button.
  bool completion(QWidget* parent, const QString& title, const QString& text, const QStringList& paths) override {
    shown.push_back({"message", title, text, {}, paths, {}, parent});
    if (folderAnswers.empty()) return false;
    const bool a = folderAnswers.front();
    folderAnswers.pop_front();
    return a;
  }
  bool openFolder(const QString& folder) override {
    openedFolders << folder;
    return fileManager;
  }
  // A completion message with an action button; `actionAnswers` scripts its
  // presses, and the button's caption goes into `detail`.
  bool completionOffering(QWidget*, const QString& title, const QString& text, const QStringList& paths,
                          const QString& action) override {
    shown.push_back({"message", title, text, action, paths});
    if (actionAnswers.empty()) return false;
    const bool a = actionAnswers.front();
    actionAnswers.pop_front();
    return a;
  }
  void openFile(const QString& file) override { openedFiles << file; }
  // A window's own dialog: the next script sets its controls and answers
  // (true: OK); without one it is cancelled.
  bool exec(QDialog& dialog) override {
    shown.push_back({"dialog", dialog.windowTitle(), dialog.objectName(), {}});
    if (dialogScripts.empty()) return false;
    const auto script = dialogScripts.front();
    dialogScripts.pop_front();
    return script(dialog);
  }

  std::vector<Shown> shown;
  std::deque<bool> folderAnswers;
  QStringList openedFolders;
  std::deque<bool> actionAnswers;
  QStringList openedFiles;
  bool fileManager = true;  // false: no program could open a folder
  std::deque<bool> answers;
  std::deque<QString> inputs;  // QString() cancels, QString("") answers empty
  std::deque<std::optional<QColor>> colours;
  std::deque<QStringList> files;
  std::deque<std::function<bool(QDialog&)>> dialogScripts;
};
