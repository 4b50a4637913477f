#pragma once
// What a long command shares with whoever shows it, across threads: how far
// it has come (written by the worker, read by the window's timer or the CLI's
// bar), whether the user asked it to stop, and the notes it leaves for the
// end message. Values are doubles because some layers advance by half a row.
#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/Error.h"

namespace tessaro {

class Progress {
 public:
  void setMaximum(double maximum) { maximum_.store(maximum); value_.store(0); }
  void setValue(double value) { value_.store(value); }
  void advance(double by = 1.0) { value_.store(value_.load() + by); }
  double maximum() const { return maximum_.load(); }
  double value() const { return value_.load(); }

  // Asks the command to stop. It stops at its next checkCancelled(), which
  // long loops call every few thousand rows, so within a fraction of a second.
  void cancel() { cancelled_.store(true); }
  bool cancelled() const { return cancelled_.load(); }
  // Throws Cancelled once cancel() has been called.
  void checkCancelled() const {
    if (cancelled_.load(std::memory_order_relaxed)) throw Cancelled();
  }

  // A line for the detail of the end message (what was left out or read
  // differently). A line already noted is not added twice.
  void addNote(const std::string& line) { setNote(line, line); }
  // A note that a later one of the same key replaces in place (a count that
  // grows as the command reads more).
  void setNote(const std::string& key, const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& n : notes_) {
      if (n.first == key) {
        n.second = line;
        return;
      }
    }
    notes_.emplace_back(key, line);
  }
  std::vector<std::string> notes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const auto& n : notes_) out.push_back(n.second);
    return out;
  }

 private:
  std::atomic<double> maximum_{0};
  std::atomic<double> value_{0};
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, std::string>> notes_;  // key, line
};

}  // namespace tessaro
