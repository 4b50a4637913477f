#pragma once
// The bottom row every layer window ends with: the progress bar Pro1, the
// "取消" button that shows only while a run is going, and the window's
// command buttons (the generate button; a window may add more).
//
// While a run goes the bar follows its Progress and shows the percentage done (maximum and value as the
// job sets them, so a maximum that changes between reading, querying and
// writing is shown as it is), "取消" asks the job to stop, and the command
// buttons are off.
#include <QPointer>
#include <QWidget>
#include <memory>

#include "common/Progress.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tessaro::ui {

class RunPanel : public QWidget {
  Q_OBJECT
 public:
  // With `percentLabel`, the label "进度： N%" (Label13) before the bar says
  // the percentage the bar shows.
  explicit RunPanel(QWidget* window, bool percentLabel = false);

  QProgressBar* bar() const { return bar_; }
  QPushButton* cancelButton() const { return cancel_; }
  // Appends a command button at the right end of the row, or puts it just
  // before `before` (a button added earlier).
  void addButton(QPushButton* button, QPushButton* before = nullptr);

  // A run starts: the bar follows `progress` until end(), showing the
  // percentage done on it (or in the label before it).
  void begin(std::shared_ptr<tessaro::Progress> progress);
  void end();
  // A run that did not finish: the bar empties and shows `status` (what
  // became of the earlier file) until the next run begins.
  void showOutcome(const QString& status);

 private:
  QString runningFormat() const;
  void follow();
  void showPercent(int value);

  QLabel* percent_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QList<QPointer<QPushButton>> buttons_;
  QTimer* timer_ = nullptr;
  std::shared_ptr<tessaro::Progress> progress_;
};

}  // namespace tessaro::ui
