#pragma once
// Provider internals that tests reach; only src/source/ and its tests include this.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaro::source {

// The workbook path of a connection string ("Data Source=PATH;..."); a text
// without any "=" is taken as the path itself. Throws Error.
std::string WorkbookPathOf(const std::string& connectionString);

// Forgets every loaded workbook (the next command parses again).
void ClearWorkbookCache();

// How many sheets have been parsed into tables in this process so far.
std::size_t SheetLoadCount();

// Counts a sheet's formula cells without a stored result into the note of
// the command this thread works for (LoadProgress); a sheet counts once.
void NoteFormulasWithoutResult(const std::string& sheetKey, std::uint64_t count);

// "注意：N 个公式单元格没有保存计算结果，已按空值读取（请在 Excel 中打开并保存后再试）".
std::string FormulaNote(std::uint64_t count);

// Bytes the SQL engine holds now (the loaded tables and their indexes).
long long EngineMemoryUsed();

}  // namespace tessaro::source
