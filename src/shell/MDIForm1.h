#pragma once
// The main window: a fixed-size, always-on-top MDI frame whose menu shows one
// child window at a time. Children are created on first use and keep their
// contents while hidden.
#include <QMainWindow>
#include <QMap>

class QMdiArea;
class QMdiSubWindow;

namespace tessaro::ui {

class MDIForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit MDIForm1(QWidget* parent = nullptr);
  ~MDIForm1() override;

  // The main window of this program run (the last one created).
  static MDIForm1* instance();

  // Makes sure every child window exists, then returns the one named
  // "Form1".."Form5", "map", "map2" or "map3".
  QWidget* child(const QString& name);
  // Shows that child modeless and hides every other.
  void showChild(const QString& name);
  QMdiArea* area() const { return area_; }
  QMdiSubWindow* subWindow(const QString& name) const { return subs_.value(name); }

  // The text of `control` (a QLineEdit's object name) in child `window`:
  // the cross-window reads of the fly-line windows.
  QString controlText(const QString& window, const QString& control);

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // Keeps the outer frame (title bar and borders included) at 600 x 360.
  void fitOuterFrame();
  void placeChildren();
  void ensureChildren();
  void addChild(QWidget* w);
  void showContact();

  QMdiArea* area_ = nullptr;
  QMap<QString, QMdiSubWindow*> subs_;
  QMap<QString, QWidget*> children_;
};

}  // namespace tessaro::ui
