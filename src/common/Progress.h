#pragma once
// Progress of a long command, written by the worker and read by the window's
// timer (or the CLI's bar) from another thread. Values are doubles because
// some layers advance by half a row.
#include <atomic>

namespace tessaro {

class Progress {
 public:
  void setMaximum(double maximum) { maximum_.store(maximum); value_.store(0); }
  void setValue(double value) { value_.store(value); }
  void advance(double by = 1.0) { value_.store(value_.load() + by); }
  double maximum() const { return maximum_.load(); }
  double value() const { return value_.load(); }

 private:
  std::atomic<double> maximum_{0};
  std::atomic<double> value_{0};
};

}  // namespace tessaro
