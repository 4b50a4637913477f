#pragma once
// A layer file that appears only when it is complete.
//
// Lines go to a temporary file in the target's folder; commit() renames it over
// the target. If the command fails (the object is destroyed without commit),
// the temporary file is removed and an earlier file of the target's name is
// left untouched. Several files of one command (a .mif/.mid pair) commit
// together through CommitAll: all of them or none.
//
// A new file gets the usual permissions (0666 less the umask); a file that
// replaces an earlier one keeps the earlier file's permission bits.
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
  void close();
  std::string target_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  bool committed_ = false;
};

// Flushes and closes every file, then puts them all in place as one unit.
// Every target is checked first: one that is a folder or a read-only file
// fails before any target is touched. Earlier files of the targets' names are
// renamed aside to hidden backups (".NAME.bak-N") until every new file is in
// place; when a rename fails, the new files already placed are taken back and
// the backups restored, so the targets are all new or all as before. The
// backups are removed on success. Throws Error naming the target.
void CommitAll(const std::vector<OutputFile*>& files);

// Removes the temporary file of every OutputFile of this process that is
// neither committed nor destroyed, after a commit in progress has ended (so
// a pair is never left half replaced). For a process that must end at once,
// when an interrupted command did not stop by itself. Thread-safe.
void RemoveTemporaryFiles();

// Makes a path absolute against the current directory, with "/" separators.
std::string AbsolutePath(const std::string& path);

namespace detail {
// Test seam: the next CommitAll fails the rename that puts its file number
// `index` (0-based) in place, as a full disk would; -1 (the default) turns
// it off. It is reset once it has fired.
void FailNextCommitRename(int index);
}  // namespace detail

}  // namespace tessaro
