#pragma once
// A workbook stand-in for the tests: sheets as SQLite tables named "SHEET$",
// rows inserted in sheet order, queried through the Connection interface as
// the layers query a workbook.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "source/Provider.h"

namespace flytest {

class SqliteBook : public tessaro::Connection {
 public:
  SqliteBook() { sqlite3_open(":memory:", &db_); }
  ~SqliteBook() override { sqlite3_close(db_); }

  void sheet(const std::string& name, const std::vector<std::string>& headers,
             const std::vector<std::vector<tessaro::Value>>& rows) {
    std::string create = "create table " + tessaro::BracketName(name + "$") + "(";
    std::string insert = "insert into " + tessaro::BracketName(name + "$") + " values(";
    for (std::size_t i = 0; i < headers.size(); ++i) {
      create += (i ? "," : "") + tessaro::BracketName(headers[i]);
      insert += i ? ",?" : "?";
    }
    exec(create + ")");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_, (insert + ")").c_str(), -1, &st, nullptr);
    for (const auto& row : rows) {
      for (std::size_t i = 0; i < row.size(); ++i) {
        const int k = static_cast<int>(i + 1);
        const tessaro::Value& v = row[i];
        switch (v.kind()) {
          case tessaro::Value::Kind::Null: sqlite3_bind_null(st, k); break;
          case tessaro::Value::Kind::Integer: sqlite3_bind_int64(st, k, v.integer()); break;
          case tessaro::Value::Kind::Real: sqlite3_bind_double(st, k, v.real()); break;
          case tessaro::Value::Kind::Text: sqlite3_bind_text(st, k, std::string(v.textRef()).c_str(), -1, SQLITE_TRANSIENT); break;
        }
      }
      sqlite3_step(st);
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
  }

  tessaro::RecordSet execute(const std::string& sql) override {
    executed.push_back(sql);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
      throw tessaro::Error(sqlite3_errmsg(db_));
    std::vector<std::string> names;
    for (int i = 0; i < sqlite3_column_count(st); ++i) names.push_back(sqlite3_column_name(st, i));
    std::vector<tessaro::Value> cells;
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        switch (sqlite3_column_type(st, i)) {
          case SQLITE_INTEGER: cells.push_back(tessaro::Value::Integer(sqlite3_column_int64(st, i))); break;
          case SQLITE_FLOAT: cells.push_back(tessaro::Value::Real(sqlite3_column_double(st, i))); break;
          case SQLITE_NULL: cells.emplace_back(); break;
          default:
            cells.push_back(tessaro::Value::Text(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
        }
      }
    }
    sqlite3_finalize(st);
    return tessaro::RecordSet(names, cells);
  }
  void close() override {}
  const std::string& workbookPath() const override { return path_; }

  std::vector<std::string> executed;

 private:
  void exec(const std::string& sql) { sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr); }
  sqlite3* db_ = nullptr;
  std::string path_ = "memory";
};

inline tessaro::Value I(long long v) { return tessaro::Value::Integer(v); }
inline tessaro::Value R(double v) { return tessaro::Value::Real(v); }
inline tessaro::Value T(const std::string& v) { return tessaro::Value::Text(v); }

}  // namespace flytest
