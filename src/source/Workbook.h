#pragma once
// Provider internals that tests reach; only src/source/ and its tests include this.
#include <cstddef>
#include <string>

namespace tessaro::source {

// The workbook path of a connection string ("Data Source=PATH;..."); a text
// without any "=" is taken as the path itself. Throws Error.
std::string WorkbookPathOf(const std::string& connectionString);

// Forgets every loaded workbook (the next command parses again).
void ClearWorkbookCache();

// How many sheets have been parsed into tables in this process so far.
std::size_t SheetLoadCount();

// Bytes the SQL engine holds now (the loaded tables and their indexes).
long long EngineMemoryUsed();

}  // namespace tessaro::source
