#pragma once
// Runs a generate command off the GUI thread so the window keeps repainting
// and the user can stop it.
//
// While the job runs the window's inputs are off, its RunPanel shows the
// job's Progress and offers "取消"; at the end `done` runs on the GUI thread
// with how the job ended and the notes it left, and the inputs come back on.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <exception>
#include <functional>

#include "common/Progress.h"

namespace tessaro::ui {

class RunPanel;

struct JobEnd {
  std::exception_ptr error;  // empty when the job finished
  bool cancelled = false;    // the user stopped it (error holds tessaro::Cancelled)
  QStringList notes;         // Progress::notes(), in the order noted
};

// Runs `job` on a thread of its own and `done` on the GUI thread when it
// ends. The window may be destroyed while the job runs: the job is then
// stopped and `done` never runs, but the job itself may still be running for
// a moment, so it must own what it reads (capture parameters by value, never
// the window or its members).
void RunInBackground(QWidget* window, RunPanel* panel, std::function<void(tessaro::Progress&)> job,
                     std::function<void(const JobEnd&)> done);

// The text of a job's exception, shown as a failure message's detailed text.
QString ErrorReason(std::exception_ptr error);

// True while a job of `window` runs; AnyRunning for any window. A window
// destroyed during its run has its run stopped and counts no more.
bool IsRunning(QWidget* window);
bool AnyRunning();

// How long quitting waits for the running jobs to stop, as the command line
// does after a signal.
constexpr int kQuitDeadlineMs = 2000;

// Stops every running job and waits, at most `deadlineMs`, until each has
// unwound (its temporary files removed); their `done` callbacks do not run.
// True when all stopped; otherwise the temporary files of those still going
// are removed and false is returned: the program must then end at once
// (std::_Exit), not unwind under a running job. For quitting.
bool StopAllJobs(int deadlineMs = kQuitDeadlineMs);
// True while a job thread has not finished, one of a destroyed window's
// included.
bool JobThreadsLeft();

// Waits (processing events) until no job runs; for tests.
void WaitForJobs(int timeoutMs = 60000);

}  // namespace tessaro::ui
