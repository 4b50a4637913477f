#pragma once
// The fixture workbooks, made once per build by make_fixtures.py.
#include <string>

namespace tessaro::test {

// Path of a fixture file ("basic.xlsx"); generates the set on first use.
std::string Fixture(const std::string& name);

// Runs a shell command, returning its exit status and standard output.
int Run(const std::string& command, std::string* out);

// Quotes a text for the shell.
std::string ShellQuote(const std::string& s);

}  // namespace tessaro::test
