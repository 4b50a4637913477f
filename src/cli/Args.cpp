#include "cli/Args.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <thread>

#include <unistd.h>

#include "cli/Interrupt.h"
#include "common/Error.h"
#include "common/OutputFile.h"
#include "source/Provider.h"

namespace tessaro::cli {

std::optional<std::string> Args::get(const std::string& name) const {
  std::optional<std::string> last;
  for (const auto& [k, v] : ordered)
    if (k == name) last = v;
  return last;
}

std::string Args::get(const std::string& name, const std::string& fallback) const {
  auto v = get(name);
  return v ? *v : fallback;
}

std::vector<std::string> Args::all(const std::string& name) const {
  std::vector<std::string> out;
  for (const auto& [k, v] : ordered)
    if (k == name) out.push_back(v);
  return out;
}

bool Args::has(const std::string& name) const {
  for (const auto& kv : ordered)
    if (kv.first == name) return true;
  return false;
}

namespace {

// Whether "--help" or "-h" stands where an option may (a value option's
// next word is its value, whatever it says).
bool WantsHelp(const std::vector<std::string>& args, const std::vector<OptionSpec>& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") return true;
    for (const auto& o : options)
      if (o.name == a && o.takesValue) ++i;
  }
  return false;
}

}  // namespace

Args Parse(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
           std::size_t minPositional, std::size_t maxPositional) {
  if (WantsHelp(args, options)) throw HelpRequested{options};
  Args out;
  auto find = [&](const std::string& name) -> const OptionSpec* {
    for (const auto& o : options)
      if (o.name == name) return &o;
    return nullptr;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-q" || a == "--quiet") {
      out.ordered.emplace_back("-q", "");
      continue;
    }
    if (a.size() > 1 && a[0] == '-' && !(a.size() > 1 && (std::isdigit(static_cast<unsigned char>(a[1])) != 0))) {
      std::string name = a, value;
      bool inlineValue = false;
      auto eq = a.find('=');
      if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        inlineValue = true;
      }
      const OptionSpec* known = find(name);
      if (!known) throw UsageError("unknown option " + name);
      if (known->takesValue) {
        if (!inlineValue) {
          if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
          value = args[++i];
        }
      } else if (inlineValue) {
        throw UsageError("option " + name + " takes no value");
      }
      out.ordered.emplace_back(name, value);
      out.values.emplace(name, value);
      continue;
    }
    out.positional.push_back(a);
  }
  if (out.positional.size() < minPositional) throw UsageError("missing argument");
  if (out.positional.size() > maxPositional) throw UsageError("unexpected argument " + out.positional.back());
  return out;
}

std::string SheetOption(const Args& args, const std::string& option, const std::string& book) {
  if (auto s = args.get(option)) return *s;
  const std::vector<std::string> sheets = ListSheetNames(book);
  if (sheets.empty()) throw Error("工作簿中没有工作表：" + book);
  return sheets.front();
}

std::string ColumnOption(const Args& args, const std::string& option, const std::map<Role, std::string>& detected,
                         Role role) {
  if (auto v = args.get(option)) return *v;
  auto it = detected.find(role);
  return it == detected.end() ? std::string() : it->second;
}

namespace {
// The notes of a job that failed, printed by Fail under the reason.
std::vector<std::string> gFailureNotes;

// A job's notes go to standard error: at once when it succeeded, after the
// failure message and reason when it failed.
void RunNoting(Progress& progress, const std::function<void(Progress&)>& job) {
  try {
    job(progress);
  } catch (...) {
    gFailureNotes = progress.notes();
    throw;
  }
  for (const std::string& note : progress.notes()) std::cerr << note << "\n";
}
}  // namespace

void RunWithProgress(bool quiet, const std::function<void(Progress&)>& job) {
  Progress progress;
  // A signal cancels the job; queries see the job's progress (loading a
  // sheet reports into it, and the engine stops when it is cancelled).
  InterruptibleJob interruptible(progress);
  auto run = [&](Progress&) {
    LoadProgress scope(progress);
    job(progress);
  };
  const bool draw = !quiet && ::isatty(STDERR_FILENO);
  if (!draw) {
    RunNoting(progress, run);
    return;
  }
  std::exception_ptr error;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    try {
      run(progress);
    } catch (...) {
      error = std::current_exception();
    }
    finished.store(true);
  });
  auto drawBar = [&] {
    const double max = progress.maximum();
    const double val = progress.value();
    const int width = 40;
    int filled = max > 0 ? static_cast<int>(width * (val / max)) : 0;
    if (filled > width) filled = width;
    if (filled < 0) filled = 0;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(width - filled), ' ');
    // A command in phases shows its share done and the phase; other
    // commands their own count.
    if (progress.phase() != Progress::Phase::None)
      std::fprintf(stderr, "\r[%s] %3.0f%% %s\033[K", bar.c_str(), max > 0 ? 100.0 * val / max : 0.0,
                   Progress::PhaseLabel(progress.phase()));
    else
      std::fprintf(stderr, "\r[%s] %.0f/%.0f", bar.c_str(), val, max);
    std::fflush(stderr);
  };
  while (!finished.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    drawBar();
  }
  worker.join();
  drawBar();
  std::fputc('\n', stderr);
  RunNoting(progress, [&](Progress&) {
    if (error) std::rethrow_exception(error);
  });
}

int Succeed(const std::string& message, const std::vector<std::string>& paths) {
  std::cout << message << "\n";
  // Every command names what it wrote the same way: as an absolute path.
  for (const auto& p : paths) std::cout << AbsolutePath(p) << "\n";
  return 0;
}

int Fail(const std::string& message, const std::string& reason) {
  // The reason is one line: a name or cell text holding a line break (a sheet
  // name typed with one) is shown with the break escaped.
  std::string line;
  for (char c : reason) {
    if (c == '\n')
      line += "\\n";
    else if (c == '\r')
      line += "\\r";
    else
      line += c;
  }
  std::cerr << message << "\n" << line << "\n";
  for (const std::string& note : gFailureNotes) std::cerr << note << "\n";
  return 1;
}

}  // namespace tessaro::cli
