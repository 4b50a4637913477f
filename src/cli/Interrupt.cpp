#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <unistd.h>

#include "common/OutputFile.h"

namespace tessaro::cli {

namespace {

std::mutex gJobMutex;
Progress* gJob = nullptr;  // the running job's progress, guarded by gJobMutex
std::atomic<int> gSignal{0};
std::atomic<bool> gAnnounced{false};

constexpr long kGraceSeconds = 2;

[[noreturn]] void EndNow() {
  RemoveTemporaryFiles();
  _exit(CancelledStatus());
}

// The first signal cancels the job (or ends the process when none runs);
// the next one, or the end of the grace period, ends the process.
void WaitForSignals(sigset_t set) {
  int sig = 0;
  if (sigwait(&set, &sig) != 0) return;
  gSignal.store(sig);
  {
    std::lock_guard<std::mutex> lock(gJobMutex);
    if (!gJob) EndNow();
    gJob->cancel();
  }
  const timespec grace{kGraceSeconds, 0};
  sigtimedwait(&set, nullptr, &grace);
  EndNow();
}

}  // namespace

void InstallInterruptHandling() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGTERM}) {
    struct sigaction current {};
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaddset(&set, sig);
  }
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread(WaitForSignals, set).detach();
}

InterruptibleJob::InterruptibleJob(Progress& progress) {
  std::lock_guard<std::mutex> lock(gJobMutex);
  gJob = &progress;
  if (gSignal.load() != 0) progress.cancel();
}

InterruptibleJob::~InterruptibleJob() {
  std::lock_guard<std::mutex> lock(gJobMutex);
  gJob = nullptr;
}

int ReceivedSignal() { return gSignal.load(); }

int CancelledStatus() {
  if (!gAnnounced.exchange(true)) {
    static const char kText[] = "已取消\n";
    [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, kText, sizeof kText - 1);
  }
  return 128 + (gSignal.load() == SIGTERM ? SIGTERM : SIGINT);
}

}  // namespace tessaro::cli
