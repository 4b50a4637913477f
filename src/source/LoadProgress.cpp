// The progress that sheet loading on the current thread reports into, and
// what the command is told about the sheets it read.
#include <set>

#include "source/Provider.h"
#include "source/Reader.h"
#include "source/Workbook.h"

namespace tessaro {

struct LoadProgress::Scope {
  Progress* progress = nullptr;
  std::set<std::string> counted;  // sheets whose formulas are in `formulas`
  std::uint64_t formulas = 0;
};

namespace {
thread_local LoadProgress::Scope* tScope = nullptr;
}  // namespace

namespace source {

Progress* CurrentLoadProgress() { return tScope ? tScope->progress : nullptr; }

void NoteFormulasWithoutResult(const std::string& sheetKey, std::uint64_t count) {
  if (!tScope || !tScope->progress || count == 0) return;
  if (!tScope->counted.insert(sheetKey).second) return;
  tScope->formulas += count;
  tScope->progress->setNote("formulas", FormulaNote(tScope->formulas));
}

std::string FormulaNote(std::uint64_t count) {
  return "注意：" + std::to_string(count) +
         " 个公式单元格没有保存计算结果，已按空值读取（请在 Excel 中打开并保存后再试）";
}

}  // namespace source

LoadProgress::LoadProgress(Progress& progress) : previous_(tScope), scope_(std::make_unique<Scope>()) {
  scope_->progress = &progress;
  tScope = scope_.get();
}

LoadProgress::~LoadProgress() { tScope = previous_; }

}  // namespace tessaro
