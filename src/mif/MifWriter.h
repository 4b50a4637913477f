#pragma once
// The writer of a MIF/MID pair: both files in code page 936 with CR LF.
//
// open() creates both under temporary names; commit() renames both over
// BASE.mif and BASE.mid only when the whole layer is written, so a failed
// command leaves earlier files untouched.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/OutputFile.h"

namespace tessaro {

struct MifColumn {
  std::string name;  // the header text as in the sheet
  std::string type;  // " Float", " Char(20)", " char(20)", " smallint"
};

// The declared form of a header: blanks and "," and double quotes become "_",
// "(" and ")" are dropped (a MapInfo reader refuses a declaration holding
// them). "Cell Name" gives "Cell_Name", "Height (m)" gives "Height_m".
std::string MifColumnName(const std::string& header);

// Declared names of a whole column section: MifColumnName of each, and a name
// equal (case included) to an earlier one gets the first free "_2", "_3", ...
std::vector<std::string> MifColumnNames(const std::vector<std::string>& headers);

// Appends one attribute value as the .mid line holds it: unchanged, except
// that a value holding "," or a double quote is written in double quotes with
// its quotes doubled ("A,B" -> "\"A,B\""), and a line break becomes a blank.
void AppendMidValue(std::string& line, const std::string& value);

class MifWriter {
 public:
  MifWriter() = default;
  ~MifWriter();
  // Creates baseName.mif and baseName.mid (as temporary files).
  void open(const std::string& baseName);
  // Header lines: Version, Charset, Delimiter, CoordSys, Columns n, the n
  // declarations, Data.
  void writeHeader(const std::vector<MifColumn>& declarations);
  // The attribute line (values joined by "," plus a trailing ",", each as
  // AppendMidValue writes it) to .mid,
  // then an empty line and the object lines to .mif. Texts are UTF-8;
  // characters CP936 lacks become "?".
  void writeRow(const std::vector<std::string>& values, const std::vector<std::string>& objectLines);
  // Lets rows come before the header: their object lines wait in a
  // temporary file until writeHeader, which writes the header and then them.
  // For a layer that learns its declarations only from the rows it writes.
  void spoolUntilHeader();
  // Renames both files over their targets.
  void close();

  std::string mifPath() const { return base_ + ".mif"; }
  std::string midPath() const { return base_ + ".mid"; }

  // Characters written as "?" and the 1-based data rows they were in.
  int replacedCharacters() const { return replaced_; }
  const std::vector<long long>& rowsWithReplacements() const { return replacedRows_; }
  // "n 个字符无法用 GBK 编码，已写作“?”（第 r1、r2 行）" or "" when none; "列名"
  // says a declaration held such a character. `rowsText` names the rows that
  // did (given rowsWithReplacements()): the layer knows which sheet rows they
  // are. Without it they are named as the rows of a sheet whose header is
  // row 1 and which has no blank rows.
  std::string replacementNote(const std::function<std::string(const std::vector<long long>&)>& rowsText = {}) const;

 private:
  void put(OutputFile& f, const std::string& utf8Line);
  [[nodiscard]] std::string encode(const std::string& utf8Line);
  void putObject(const std::string& utf8Line);
  void drainSpool();
  std::string base_;
  std::unique_ptr<OutputFile> mif_, mid_;
  long long row_ = 0;
  int replaced_ = 0;
  int headerReplaced_ = 0;
  bool rowReplaced_ = false;
  std::vector<long long> replacedRows_;
  std::string line_;
  std::FILE* spool_ = nullptr;  // object lines written before the header
};

}  // namespace tessaro
