#include "widgets/Worker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <map>
#include <memory>

#include "common/Error.h"
#include "widgets/RunPanel.h"

namespace tessaro::ui {

namespace {

struct Running {
  std::shared_ptr<tessaro::Progress> progress;
  bool silent = false;  // quitting: no end message
};
std::map<QWidget*, Running> gRunning;

bool IsCancelled(std::exception_ptr error) {
  if (!error) return false;
  try {
    std::rethrow_exception(error);
  } catch (const tessaro::Cancelled&) {
    return true;
  } catch (...) {
    return false;
  }
}

// Turns off every direct child of the window but the run panel; group boxes
// take their children with them.
QList<QPointer<QWidget>> DisableInputs(QWidget* window, RunPanel* panel) {
  QList<QPointer<QWidget>> disabled;
  for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (w == panel || !w->isEnabled()) continue;
    w->setEnabled(false);
    disabled.append(w);
  }
  return disabled;
}

}  // namespace

void RunInBackground(QWidget* window, RunPanel* panel, std::function<void(tessaro::Progress&)> job,
                     std::function<void(const JobEnd&)> done) {
  auto progress = std::make_shared<tessaro::Progress>();
  auto error = std::make_shared<std::exception_ptr>();
  gRunning[window] = Running{progress, false};
  const QList<QPointer<QWidget>> disabled = DisableInputs(window, panel);
  panel->begin(progress);
  QThread* thread = QThread::create([job = std::move(job), progress, error] {
    try {
      job(*progress);
    } catch (...) {
      *error = std::current_exception();
    }
  });
  QPointer<RunPanel> panelPtr(panel);
  QObject::connect(thread, &QThread::finished, window, [thread, panelPtr, progress, error, done, disabled, window] {
    if (panelPtr) panelPtr->end();
    for (const QPointer<QWidget>& w : disabled)
      if (w) w->setEnabled(true);
    const auto it = gRunning.find(window);
    const bool silent = it != gRunning.end() && it->second.silent;
    if (it != gRunning.end()) gRunning.erase(it);
    thread->deleteLater();
    if (silent) return;
    JobEnd end;
    end.error = *error;
    end.cancelled = IsCancelled(*error);
    for (const std::string& n : progress->notes())
      end.notes << QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()));
    done(end);
  });
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

bool AnyRunning() { return !gRunning.empty(); }

void StopAllJobs() {
  for (auto& [window, running] : gRunning) {
    running.silent = true;
    running.progress->cancel();
  }
  // The jobs stop at their next check; each finishes on its own thread, and
  // its finished handler (run by the event loop) takes it off the list.
  while (!gRunning.empty()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
}

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
