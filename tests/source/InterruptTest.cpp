// SIGINT and SIGTERM during tessaro-cli commands: the command stops, says
// "已取消", exits with 128 + the signal, and leaves no temporary file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "Fixtures.h"
#include "cli/Interrupt.h"
#include "common/OutputFile.h"

extern char** environ;

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using test::Fixture;

fs::path Scratch(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("tessaro-interrupt-" + std::to_string(getpid()) + "-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

struct Stopped {
  int status = -1;
  std::string err;
};

// Starts tessaro-cli with `args` (default signal handling, standard error to
// a file beside `dir`), waits until `ready(pid)` holds, sends `sig`, and
// waits for it to end.
template <class Ready>
Stopped RunAndSignal(const std::vector<std::string>& args, const fs::path& dir, int sig, Ready ready) {
  const char* cli = std::getenv("TESSARO_CLI");
  const std::string bin = cli ? cli : std::string(TESSARO_BINARY_DIR) + "/bin/tessaro-cli";
  const std::string errPath = (dir.parent_path() / (dir.filename().string() + ".err")).string();
  std::vector<char*> argv{const_cast<char*>(bin.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  Stopped out;
  const int spawned = posix_spawn(&pid, bin.c_str(), &files, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attr);
  if (spawned != 0) return out;
  int status = 0;
  bool ended = false;
  for (int i = 0; i < 600 && !ready(pid) && !ended; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ended = waitpid(pid, &status, WNOHANG) == pid;
  }
  if (!ended) {
    kill(pid, sig);
    waitpid(pid, &status, 0);
  }
  out.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  std::ifstream in(errPath);
  std::stringstream ss;
  ss << in.rdbuf();
  out.err = ss.str();
  fs::remove(errPath);
  return out;
}

// Whether the process has blocked SIGINT and SIGTERM: it takes them itself.
bool TakesSignals(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigBlk:", 0) != 0) continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    const unsigned long long both = (1ULL << (SIGINT - 1)) | (1ULL << (SIGTERM - 1));
    return (mask & both) == both;
  }
  return false;
}

bool HasTemporaryFile(const fs::path& dir) {
  for (const auto& name : Entries(dir))
    if (name.find(".tmp-") != std::string::npos) return true;
  return false;
}

TEST(Interrupt, ASignalDuringALayerRemovesItsTemporaryFile) {
  // A filter whose subquery joins the drive-test sheet with itself twelve
  // times: billions of steps inside the engine, long after the layer's
  // temporary file exists.
  std::string slow = "b.[CI] > (select count(*) from [路测$] t1";
  for (int k = 2; k <= 12; ++k) slow += ", [路测$] t" + std::to_string(k);
  slow += ")";
  for (int sig : {SIGINT, SIGTERM}) {
    const fs::path dir = Scratch("layer" + std::to_string(sig));
    const auto started = std::chrono::steady_clock::now();
    Stopped r = RunAndSignal({"kml-flyline", Fixture("basic.xlsx"), "--cells", "小区信息", "--points", "路测", "--where",
                              slow, "--condition-field", "CI", "-q", "-o", (dir / "out.kml").string()},
                             dir, sig, [&](pid_t) { return HasTemporaryFile(dir); });
    EXPECT_EQ(r.status, 128 + sig);
    EXPECT_THAT(r.err, testing::HasSubstr("已取消"));
    EXPECT_THAT(r.err, testing::Not(testing::HasSubstr("请正确")));  // not reported as a failure
    EXPECT_TRUE(Entries(dir).empty()) << Entries(dir).front();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 60);
    fs::remove_all(dir);
  }
}

TEST(Interrupt, AQueryRunningInsideTheEngineStops) {
  const fs::path dir = Scratch("query");
  const auto started = std::chrono::steady_clock::now();
  Stopped r = RunAndSignal({"query", Fixture("basic.xlsx"),
                            "with recursive c(x) as (select 1 union all select x+1 from c) select count(*) from c"},
                           dir, SIGINT, [&](pid_t pid) {
                             // Past its start, and a moment into the query.
                             return TakesSignals(pid) &&
                                    std::chrono::steady_clock::now() - started > std::chrono::milliseconds(500);
                           });
  EXPECT_EQ(r.status, 130);
  EXPECT_EQ(r.err, "已取消\n");
  fs::remove_all(dir);
}

// In a child process: a job that never checks for cancelling, with a
// temporary file open, interrupted by `signals` signals.
[[noreturn]] void StuckJob(const fs::path& dir, int sig, int signals) {
  cli::InstallInterruptHandling();
  Progress progress;
  cli::InterruptibleJob job(progress);
  OutputFile file((dir / "layer.kml").string());
  for (int i = 0; i < signals; ++i) kill(getpid(), sig);
  for (;;) pause();
}

TEST(InterruptDeathTest, AJobThatDoesNotStopIsEndedAndItsFilesRemoved) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  const fs::path dir = Scratch("stuck");
  // One signal: the job is given two seconds. Two: it ends at once.
  EXPECT_EXIT(StuckJob(dir, SIGINT, 1), testing::ExitedWithCode(130), "已取消");
  EXPECT_TRUE(Entries(dir).empty());
  EXPECT_EXIT(StuckJob(dir, SIGTERM, 2), testing::ExitedWithCode(143), "已取消");
  EXPECT_TRUE(Entries(dir).empty());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tessaro
