#pragma once
// Command-line parsing shared by every tessaro-cli command.
//
// "--option VALUE" and "--option=VALUE" both work; an option that takes a
// value always takes the next argument, even one that begins with "-".
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Progress.h"
#include "source/Columns.h"

namespace tessaro::cli {

struct UsageError : std::runtime_error {
  explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

struct OptionSpec {
  std::string name;  // with its dashes: "--sheet", "-o", "-q"
  bool takesValue = true;
};

// Thrown by Parse when "--help" or "-h" stands where an option may: the
// command's options, for main to print.
struct HelpRequested {
  std::vector<OptionSpec> options;
};

// A command's options as its --help prints them: one line each, the option
// (with VALUE when it takes one) and what it does, "-q" last.
std::string OptionsHelp(const std::vector<OptionSpec>& options);

class Args {
 public:
  std::vector<std::string> positional;
  // The last value given for an option.
  std::optional<std::string> get(const std::string& name) const;
  std::string get(const std::string& name, const std::string& fallback) const;
  // Every value given for a repeatable option, in order.
  std::vector<std::string> all(const std::string& name) const;
  bool has(const std::string& name) const;
  bool quiet() const { return has("-q"); }

  std::multimap<std::string, std::string> values;
  std::vector<std::pair<std::string, std::string>> ordered;
};

// Parses args[0..] (the words after the command name). "-q" is always
// accepted. Throws HelpRequested when "--help" or "-h" is among them (not as
// an option's value), before anything else is checked; UsageError for
// unknown options and missing values, and when the positional count is
// outside [minPositional, maxPositional].
Args Parse(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
           std::size_t minPositional, std::size_t maxPositional);

// The value of a sheet option, or the first sheet of the workbook in workbook
// order when it is left out. Throws Error when the workbook has no sheet.
std::string SheetOption(const Args& args, const std::string& option, const std::string& book);

// A column option's value, or the column the window's pre-selection chose for
// `role` (`detected`, from DetectColumns), or "" when there is none.
std::string ColumnOption(const Args& args, const std::string& option, const std::map<Role, std::string>& detected,
                         Role role);

// Runs a long job on a worker thread while a progress bar is drawn on
// standard error (only when it is a terminal and not quiet). Exceptions of the
// job are rethrown here. The job's notes (Progress::notes) go to standard
// error: when it succeeds, at once; when it fails, under Fail's reason.
void RunWithProgress(bool quiet, const std::function<void(Progress&)>& job);

// Success: the window's completion message and the written paths, each as an
// absolute path, on standard output; returns 0.
int Succeed(const std::string& message, const std::vector<std::string>& paths);
// Failure: the window's failure message and a one-line reason on standard
// error; returns 1.
int Fail(const std::string& message, const std::string& reason);

}  // namespace tessaro::cli
