#include "widgets/Worker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <map>
#include <memory>
#include <set>

#include "common/Error.h"
#include "common/OutputFile.h"
#include "widgets/RunPanel.h"

namespace tessaro::ui {

namespace {

struct Running {
  std::shared_ptr<tessaro::Progress> progress;
  bool silent = false;  // quitting: no end message
};
// The run of each window, by window. A window destroyed during its run is
// taken off at once (its run is stopped and ends unseen), so a pointer here
// always names a live window.
std::map<QWidget*, Running> gRunning;
// Every job thread that has not finished, a destroyed window's included:
// quitting and the tests wait for these.
std::set<QThread*> gThreads;

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

// Waits, processing events, until no job thread is left or `timeoutMs` has
// passed; true when none is left.
bool WaitForThreads(int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!gThreads.empty() && t.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  QCoreApplication::processEvents();
  return gThreads.empty();
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
  gThreads.insert(thread);
  // The thread is the context of both handlers: they outlive the window.
  QObject::connect(window, &QObject::destroyed, thread, [window, progress] {
    const auto it = gRunning.find(window);
    if (it == gRunning.end() || it->second.progress != progress) return;
    progress->cancel();
    gRunning.erase(it);
  });
  const QPointer<QWidget> windowPtr(window);
  const QPointer<RunPanel> panelPtr(panel);
  QObject::connect(thread, &QThread::finished, thread, [=] {
    gThreads.erase(thread);
    thread->deleteLater();
    if (!windowPtr) return;  // the window went during the run: no one to tell
    const auto it = gRunning.find(window);
    const bool silent = it != gRunning.end() && it->second.silent;
    if (it != gRunning.end() && it->second.progress == progress) gRunning.erase(it);
    if (panelPtr) panelPtr->end();
    for (const QPointer<QWidget>& w : disabled)
      if (w) w->setEnabled(true);
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

bool StopAllJobs(int deadlineMs) {
  for (auto& [window, running] : gRunning) {
    running.silent = true;
    running.progress->cancel();
  }
  // The jobs stop at their next check; each finishes on its own thread, and
  // its finished handler (run by the event loop) takes it off the lists.
  if (WaitForThreads(deadlineMs)) return true;
  // A job that did not stop in time leaves no half-written file behind.
  tessaro::RemoveTemporaryFiles();
  return false;
}

bool JobThreadsLeft() { return !gThreads.empty(); }

void WaitForJobs(int timeoutMs) { WaitForThreads(timeoutMs); }

}  // namespace tessaro::ui
