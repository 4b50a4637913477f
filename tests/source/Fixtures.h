#pragma once
// The fixture workbooks, made once per build by make_fixtures.py.
#include <string>
#include <vector>

namespace tessaro::test {

// Path of a fixture file ("basic.xlsx"); generates the set on first use.
std::string Fixture(const std::string& name);

// The rows of a query on a workbook through the provider: the field names,
// then each row's texts.
std::vector<std::vector<std::string>> QueryTexts(const std::string& path, const std::string& sql);

// Runs a shell command, returning its exit status and standard output.
int Run(const std::string& command, std::string* out);

// Quotes a text for the shell.
std::string ShellQuote(const std::string& s);

}  // namespace tessaro::test
