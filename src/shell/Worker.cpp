#include "shell/Worker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <memory>
#include <set>

namespace tessaro::ui {

namespace {
std::set<QWidget*> gRunning;

void ShowProgress(QProgressBar* bar, const tessaro::Progress& p) {
  if (!bar) return;
  const double max = p.maximum();
  const double val = p.value();
  // A zero maximum would make QProgressBar spin endlessly; show an empty bar.
  const int imax = max > 0 ? static_cast<int>(std::min(max, 2.0e9)) : 1;
  int ival = max > 0 ? static_cast<int>(std::floor(std::min(val, 2.0e9))) : 0;
  if (ival > imax) ival = imax;
  if (bar->minimum() != 0 || bar->maximum() != imax) bar->setRange(0, imax);
  bar->setValue(ival);
}
}  // namespace

void RunInBackground(QWidget* window, QProgressBar* bar, std::function<void(tessaro::Progress&)> job,
                     std::function<void(std::exception_ptr)> done) {
  auto progress = std::make_shared<tessaro::Progress>();
  auto error = std::make_shared<std::exception_ptr>();
  gRunning.insert(window);
  // Disable every direct child control except the progress bar.
  QList<QPointer<QWidget>> disabled;
  for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (w == bar || !w->isEnabled()) continue;
    w->setEnabled(false);
    disabled.append(w);
  }
  QThread* thread = QThread::create([job = std::move(job), progress, error] {
    try {
      job(*progress);
    } catch (...) {
      *error = std::current_exception();
    }
  });
  auto* timer = new QTimer(window);
  timer->setInterval(50);
  QPointer<QProgressBar> barPtr(bar);
  QObject::connect(timer, &QTimer::timeout, window, [barPtr, progress] { ShowProgress(barPtr, *progress); });
  QPointer<QWidget> windowPtr(window);
  QObject::connect(thread, &QThread::finished, window,
                   [thread, timer, barPtr, progress, error, done, disabled, windowPtr, window] {
                     timer->stop();
                     timer->deleteLater();
                     ShowProgress(barPtr, *progress);
                     for (const QPointer<QWidget>& w : disabled)
                       if (w) w->setEnabled(true);
                     gRunning.erase(window);
                     thread->deleteLater();
                     if (windowPtr) done(*error);
                   });
  timer->start();
  thread->start();
}

QString ErrorReason(std::exception_ptr error) {
  if (!error) return {};
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("未知错误");
  }
}

bool IsRunning(QWidget* window) { return gRunning.count(window) != 0; }

void WaitForJobs(int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!gRunning.empty() && t.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  QCoreApplication::processEvents();
}

}  // namespace tessaro::ui
