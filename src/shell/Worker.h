#pragma once
// Runs a generate command off the GUI thread so the window keeps repainting.
//
// While the job runs the window's inputs are disabled and `bar` follows the
// job's Progress (its integer part) every 50 ms; at the end `done` runs on the
// GUI thread with the job's exception, if any, and the inputs are enabled again.
#include <QPointer>
#include <QProgressBar>
#include <QWidget>
#include <exception>
#include <functional>

#include "common/Progress.h"

namespace tessaro::ui {

void RunInBackground(QWidget* window, QProgressBar* bar, std::function<void(tessaro::Progress&)> job,
                     std::function<void(std::exception_ptr)> done);

// The text of a job's exception, shown as a failure message's detailed text.
QString ErrorReason(std::exception_ptr error);

// True while a job of `window` runs.
bool IsRunning(QWidget* window);

// Waits (processing events) until no job runs; for tests.
void WaitForJobs(int timeoutMs = 60000);

}  // namespace tessaro::ui
