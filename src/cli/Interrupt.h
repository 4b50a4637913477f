#pragma once
// SIGINT and SIGTERM in tessaro-cli.
//
// The first signal cancels the running job (Progress::cancel), so it unwinds
// at its next check and its temporary files are removed as it fails. A second
// signal, a job that has not stopped 2 seconds after the first, or a signal
// while no job runs ends the process at once, after removing every temporary
// file it holds (RemoveTemporaryFiles). Either way "已取消" goes to standard
// error and the exit status is 130 for SIGINT, 143 for SIGTERM.
//
// The signals are taken by a thread of their own (sigwait), not by a handler,
// so what happens on a signal is ordinary code. A signal the process was
// started with ignored (a job started with "&" by a script) stays ignored.
#include "common/Progress.h"

namespace tessaro::cli {

// Blocks SIGINT and SIGTERM in this thread and every thread started later,
// and starts the thread that waits for them. Call once, first thing in main.
void InstallInterruptHandling();

// While an instance lives, a signal cancels `progress`.
class InterruptibleJob {
 public:
  explicit InterruptibleJob(Progress& progress);
  ~InterruptibleJob();
  InterruptibleJob(const InterruptibleJob&) = delete;
  InterruptibleJob& operator=(const InterruptibleJob&) = delete;
};

// The signal received so far (SIGINT, SIGTERM), 0 when none.
int ReceivedSignal();

// Writes "已取消" to standard error (once per process) and returns the exit
// status for the signal received: 130 for SIGINT (also when none was), 143
// for SIGTERM.
int CancelledStatus();

}  // namespace tessaro::cli
