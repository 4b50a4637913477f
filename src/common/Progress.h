#pragma once
// What a long command shares with whoever shows it, across threads: how far
// it has come (written by the worker, read by the window's timer or the CLI's
// bar), whether the user asked it to stop, and the notes it leaves for the
// end message. Values are doubles because some layers advance by half a row.
//
// A command that reads a workbook goes through phases: reading the sheets,
// running the query, writing the layer. Once the first phase has begun, the
// bar is one scale of kScale steps on which each phase has its share, so the
// bar moves from the first second of a long run instead of waiting for the
// rows to be counted; maximum() is then kScale and value() the position on
// it. Within a phase the worker counts on its own scale (bytes of a sheet,
// rows written): setMaximum, setValue and advance. A setMaximum in the query
// phase begins the writing phase, so a layer that counts its rows needs to
// know nothing of phases. A command that never begins a phase
// sees its own counts in maximum() and value().
#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/Error.h"

namespace tessaro {

class Progress {
 public:
  enum class Phase { None, Reading, Query, Writing };
  // The scale of a phased bar.
  static constexpr double kScale = 10000;

  // Starts `phase`. Its counter runs 0..maximum and covers the part
  // [from, to] (fractions) of the phase's share: the second of two sheets
  // read covers 0.5..1 of the reading share. The bar never moves back.
  void beginPhase(Phase phase, double maximum = 1, double from = 0, double to = 1) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto [lo, hi] = Share(phase);
    from_.store(lo + (hi - lo) * from);
    to_.store(lo + (hi - lo) * to);
    localMaximum_.store(maximum);
    localValue_.store(0);
    phase_.store(phase);
  }
  Phase phase() const { return phase_.load(); }
  // "读取工作表", "查询", "写入图层" ("" before the first phase).
  static const char* PhaseLabel(Phase phase) {
    switch (phase) {
      case Phase::Reading: return "读取工作表";
      case Phase::Query: return "查询";
      case Phase::Writing: return "写入图层";
      case Phase::None: break;
    }
    return "";
  }

  void setMaximum(double maximum) {
    if (phase_.load() == Phase::Query) {
      beginPhase(Phase::Writing, maximum);
      return;
    }
    localMaximum_.store(maximum);
    localValue_.store(0);
  }
  void setValue(double value) { localValue_.store(value); }
  // Counts `by` more and stops the command (Cancelled) once cancel() has been
  // called, so every loop that shows its progress can be stopped.
  void advance(double by = 1.0) {
    localValue_.store(localValue_.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
    checkCancelled();
  }
  double maximum() const { return phase_.load() == Phase::None ? localMaximum_.load() : kScale; }
  double value() const {
    if (phase_.load() == Phase::None) return localValue_.load();
    const double max = localMaximum_.load();
    // Writing nothing is done as soon as it begins.
    const double share = max > 0 ? std::clamp(localValue_.load() / max, 0.0, 1.0)
                                 : phase_.load() == Phase::Writing ? 1.0 : 0.0;
    const double at = kScale * (from_.load() + (to_.load() - from_.load()) * share);
    // Never back: a later phase may begin below where an earlier one ended.
    double shown = shown_.load();
    while (at > shown && !shown_.compare_exchange_weak(shown, at)) {
    }
    return std::max(at, shown);
  }

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
  // The part of the bar each phase fills: reading a large sheet is most of a
  // run, writing the layer the next largest part.
  static std::pair<double, double> Share(Phase phase) {
    switch (phase) {
      case Phase::Reading: return {0.0, 0.6};
      case Phase::Query: return {0.6, 0.7};
      case Phase::Writing: return {0.7, 1.0};
      case Phase::None: break;
    }
    return {0.0, 1.0};
  }

  std::atomic<Phase> phase_{Phase::None};
  std::atomic<double> from_{0}, to_{1};
  std::atomic<double> localMaximum_{0};
  std::atomic<double> localValue_{0};
  mutable std::atomic<double> shown_{0};
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, std::string>> notes_;  // key, line
};

}  // namespace tessaro
