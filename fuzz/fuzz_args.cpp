// Fuzzes the command line: the option parser of every tessaro-cli command,
// the colour option and the default output path. The input is the words of
// a command line separated by NUL bytes. Nothing may crash; a refused line
// is a usage error, a help word a help request; the default output path
// stays in the workbook's folder whatever the sheet is called.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/LayerOptions.h"
#include "common/Colour.h"

namespace {

const std::vector<tessaro::cli::OptionSpec> kOptions = {
    {"--sheet"}, {"--name"}, {"-o"}, {"--no-colour", false}, {"--condition"}, {"--bounds"}, {"--where"}};

void CheckParse(const std::vector<std::string>& words) {
  using namespace tessaro::cli;
  Args a;
  try {
    a = Parse(words, kOptions, 1, 2);
  } catch (const UsageError&) {
    return;
  } catch (const HelpRequested& help) {
    // Help is an answer, not a failure: it must only come when a help word
    // was given, and it carries the command's own options.
    if (std::find(words.begin(), words.end(), "--help") == words.end() &&
        std::find(words.begin(), words.end(), "-h") == words.end())
      std::abort();
    if (help.options.size() != kOptions.size()) std::abort();
    return;
  }
  if (a.positional.empty() || a.positional.size() > 2) std::abort();
  for (const auto& [name, value] : a.ordered) {
    const OptionSpec* known = nullptr;
    for (const auto& o : kOptions)
      if (o.name == name) known = &o;
    if (name != "-q" && (!known || (!known->takesValue && !value.empty()))) std::abort();
    if (a.get(name).value_or("\x01") != a.all(name).back()) std::abort();
  }
}

void CheckOutputPath(const std::string& book, const std::string& sheet) {
  namespace fs = std::filesystem;
  const fs::path path(tessaro::cli::DefaultOutput(book, sheet, ".kml"));
  if (path.parent_path() != fs::path(book).parent_path()) std::abort();
  const std::string name = path.filename().string();
  if (name == "." || name == ".." || name.find('\0') != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words;
  for (std::size_t start = 0; start <= input.size() && words.size() < 64;) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    words.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  CheckParse(words);
  for (const auto& w : words)
    if (auto c = tessaro::ParseColourOption(w); c && *c > 0xFFFFFFu) std::abort();
  if (words.size() >= 2 && !words[0].empty() && words[0].back() != '/') CheckOutputPath(words[0], words[1]);
  return 0;
}
