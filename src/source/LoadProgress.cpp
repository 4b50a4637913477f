// The progress that sheet loading on the current thread reports into.
#include "source/Provider.h"
#include "source/Reader.h"

namespace tessaro {
namespace {
thread_local Progress* tLoadProgress = nullptr;
}  // namespace

namespace source {
Progress* CurrentLoadProgress() { return tLoadProgress; }
}  // namespace source

LoadProgress::LoadProgress(Progress& progress) : previous_(tLoadProgress) { tLoadProgress = &progress; }

LoadProgress::~LoadProgress() { tLoadProgress = previous_; }

}  // namespace tessaro
