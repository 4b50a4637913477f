#pragma once
// The notes window: the built-in help page, shown at start and by "帮助说明".
#include <QString>
#include <QWidget>

class QTextBrowser;

namespace tessaro::ui {

class Form4 : public QWidget {
  Q_OBJECT
 public:
  explicit Form4(QWidget* parent = nullptr);
  // With another help page (a resource or file path); for tests.
  Form4(const QString& helpPage, QWidget* parent);

  // The contact and disclaimer message.
  static QString ContactText();
  // The compiled-in help page.
  static QString HelpPage();
  // Whether the help page was loaded.
  bool helpLoaded() const { return loaded_; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void load(const QString& helpPage);
  bool shownOnce_ = false;
  QTextBrowser* help_ = nullptr;
  bool loaded_ = false;
};

}  // namespace tessaro::ui
