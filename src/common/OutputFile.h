#pragma once
// A layer file that appears only when it is complete.
//
// Lines go to a temporary file in the target's folder; commit() renames it over
// the target. If the command fails (the object is destroyed without commit),
// the temporary file is removed and an earlier file of the target's name is
// left untouched. Several files of one command (a .mif/.mid pair) commit
// together through CommitAll.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

class OutputFile {
 public:
  explicit OutputFile(std::string targetPath);  // throws Error when it cannot be created
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Appends bytes as they are; line endings are the caller's.
  void write(std::string_view bytes);
  // Appends the text followed by CR LF.
  void writeLine(std::string_view line);

  // Flushes, closes and renames the temporary file over the target.
  void commit();
  const std::string& target() const { return target_; }
  const std::string& temporaryPath() const { return temp_; }

 private:
  friend void CommitAll(const std::vector<OutputFile*>&);
  void flushBuffer();
  std::string target_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  bool committed_ = false;
};

// Flushes and closes every file, then renames them all; if any step fails
// before the renames start, no target is touched.
void CommitAll(const std::vector<OutputFile*>& files);

// Makes a path absolute against the current directory, with "/" separators.
std::string AbsolutePath(const std::string& path);

}  // namespace tessaro
