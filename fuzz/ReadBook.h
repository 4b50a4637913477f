#pragma once
// What each reader's fuzz target does with a workbook: open it, list its
// sheets and read every sheet, the header row alone and whole. Errors are
// the expected outcome of most inputs; anything else is a finding.
#include <string>

#include "source/Reader.h"

namespace fuzz {

template <class Open>
void ReadEverything(Open open, const std::string& path) {
  try {
    auto book = open(path);
    for (std::size_t i = 0; i < book->sheetNames().size(); ++i) {
      for (bool headerOnly : {true, false}) {
        try {
          std::size_t cells = 0;
          book->readSheet(
              i,
              [&](std::uint32_t, const std::vector<tessaro::source::Cell>& row) {
                cells += row.size();
                return !headerOnly;
              },
              headerOnly);
        } catch (const tessaro::Error&) {
        }
      }
    }
  } catch (const tessaro::Error&) {
  }
}

}  // namespace fuzz
