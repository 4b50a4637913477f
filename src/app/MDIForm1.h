#pragma once
// The main window: an MDI frame (600 x 360 at start, resizable) whose menu
// shows one child window at a time. Children are created on first use and keep their
// contents while hidden. It links the fly-line windows to the sector windows
// whose radius (and altitude) they draw with, and asks before quitting while
// a layer is being written.
#include <QMainWindow>
#include <QMap>
#include <QSize>

class QMdiArea;
class QMdiSubWindow;

namespace tessaro::ui {

class MDIForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit MDIForm1(QWidget* parent = nullptr);
  ~MDIForm1() override;

  // Makes sure every child window exists, then returns the one named
  // "Form1".."Form5", "map", "map2" or "map3".
  QWidget* child(const QString& name);
  // Shows that child modeless (refreshing what it lists) and hides every other.
  void showChild(const QString& name);
  QMdiArea* area() const { return area_; }
  QMdiSubWindow* subWindow(const QString& name) const { return subs_.value(name); }

 protected:
  bool event(QEvent* e) override;
  // While a layer is being written: "正在生成图层，确定要退出吗？"; yes stops
  // the run (its temporary file is removed, waiting at most
  // kQuitDeadlineMs) and quits, no goes on.
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // Makes the outer frame (title bar and borders included) 600 x 360 until
  // the user resizes the window.
  void fitOuterFrame();
  void placeChildren();
  void ensureChildren();
  void addChild(QWidget* w);
  void showContact();

  QMdiArea* area_ = nullptr;
  QMap<QString, QMdiSubWindow*> subs_;
  QMap<QString, QWidget*> children_;
  QSize fitted_;  // the size fitOuterFrame last gave the window
};

}  // namespace tessaro::ui
