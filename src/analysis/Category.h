#pragma once
// Colour by category: every distinct value of a column (or every remainder
// of a whole number divided by a modulus: PCI mod 3) gets its own colour
// from one fixed palette, so that neighbouring sectors of the same PCI
// remainder, or the points one cell serves, stand out.
//
// Classes are ordered numerically for numbers (a text that reads as a number
// counts as that number, so "12" and 12 are one class), then texts in the
// order they first appear (blanks around a text ignored). Without a modulus
// the k-th class takes palette colour k (the 13th the first again, and so
// on). With a modulus the class of remainder r always takes colour r, whichever
// remainders occur, so that every map of PCI mod 3 shows 0 red, 1 green and
// 2 blue.
//
// A value that fits no class (an empty cell; under a modulus also a text or a
// number that is not whole) is drawn grey as the class "其他" and counted, so
// that nothing silently disappears from the map and the note says how many
// rows it holds: a missing or mistyped PCI is something to see, and one such
// cell in a cell list of thousands should not stop the whole layer.
#include <array>
#include <cstdint>
#include <map>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/Colour.h"
#include "source/Provider.h"

namespace tessaro {

// The colouring a layer is asked for: none while `column` is empty.
struct CategoryOption {
  std::string column;
  std::string modulus;  // as typed; empty: each distinct value is a class
  bool on() const { return !column.empty(); }
};

// Twelve colours told apart at a glance, red, green and blue first (as
// 0x00BBGGRR values).
const std::array<ColourValue, 12>& CategoryPalette();
// The colour of the class "其他".
inline constexpr ColourValue kOtherCategoryColour = 0x909090;
inline constexpr const char* kOtherCategoryLabel = "其他";

// The modulus of a typed text: a whole number from 2 to 1000000 (blanks
// around it allowed). Throws Error naming the text otherwise.
std::int64_t ParseCategoryModulus(const std::string& text);

// Checks an option before a layer reads its workbook: a bad modulus fails at
// once rather than after the whole sheet is read. Throws Error.
void CheckCategoryOption(const CategoryOption& option);

class Categories {
 public:
  // Throws Error for a bad modulus.
  explicit Categories(const CategoryOption& option);

  // True when the colours depend on every value (no modulus): add() every
  // value and finish() before the first colour is asked for. With a modulus
  // a value's colour is known at once.
  bool ranked() const { return !modulus_; }

  // Counts a value; `row` is the row number the layer's messages use.
  void add(const Value& v, std::int64_t row);
  // Ranks the classes met; called once, after the last add().
  void finish();

  // The class number of a value (its rank; under a modulus the remainder
  // itself), or -1 for "其他". Without a modulus only values added before
  // finish() have a class.
  int classOf(const Value& v) const;
  ColourValue colourOf(int cls) const;
  ColourValue colourOf(const Value& v) const { return colourOf(classOf(v)); }

  struct Class {
    std::string label;
    std::uint64_t count = 0;
    ColourValue colour = 0;
  };
  // The classes met, in order, followed by "其他" when it holds any value.
  std::vector<Class> classes() const;
  std::uint64_t others() const { return others_; }
  std::size_t size() const { return numbers_.size() + texts_.size(); }

  // "按列“PCI”（模 3）着色：3 类" and, when values went to "其他", how many
  // and the first rows, counted as `unit` ("行", "个点"). `rowsText`, when
  // given, turns the rows passed to add() into the sheet rows' text
  // ("第 7、8 行"), for layers whose row numbers are result rows.
  using RowsText = std::function<std::string(const std::vector<long long>&)>;
  std::vector<std::string> notes(const std::string& unit, const RowsText& rowsText = {}) const;

 private:
  struct Entry {
    std::uint64_t count = 0;
    int rank = 0;
  };
  // The number a value's class is keyed by, or nothing for a text class or
  // "其他" (`other` tells which).
  std::optional<double> numberKey(const Value& v, bool& other) const;

  std::string column_;
  std::optional<std::int64_t> modulus_;
  std::map<double, Entry> numbers_;
  std::unordered_map<std::string, Entry> texts_;
  std::vector<std::string> textOrder_;
  std::uint64_t others_ = 0;
  std::vector<std::int64_t> otherRows_;  // the first ten
};

}  // namespace tessaro
