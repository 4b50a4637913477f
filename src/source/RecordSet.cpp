#include "source/Provider.h"

#include "common/Text.h"

namespace tessaro {

Value Value::Integer(std::int64_t v) {
  Value x;
  x.kind_ = Kind::Integer;
  x.i_ = v;
  x.d_ = static_cast<double>(v);
  return x;
}

Value Value::Real(double v) {
  Value x;
  x.kind_ = Kind::Real;
  x.d_ = v;
  return x;
}

Value Value::Text(std::string v) {
  Value x;
  x.kind_ = Kind::Text;
  x.s_ = std::move(v);
  return x;
}

std::string Value::text() const {
  switch (kind_) {
    case Kind::Null: return {};
    case Kind::Integer: return std::to_string(i_);
    case Kind::Real: return NumberText(d_);
    case Kind::Text: return s_;
  }
  return {};
}

std::optional<double> Value::number() const {
  switch (kind_) {
    case Kind::Null: return std::nullopt;
    case Kind::Integer: return static_cast<double>(i_);
    case Kind::Real: return d_;
    case Kind::Text: return ParseNumber(Trim(s_));
  }
  return std::nullopt;
}

RecordSet::RecordSet(std::vector<std::string> fieldNames, std::vector<Value> cells)
    : names_(std::move(fieldNames)), cells_(std::move(cells)) {
  rows_ = names_.empty() ? 0 : cells_.size() / names_.size();
}

const std::string& RecordSet::fieldName(int index) const {
  if (index < 0 || index >= fieldCount()) throw Error("字段序号超出范围：" + std::to_string(index));
  return names_[static_cast<std::size_t>(index)];
}

const Value& RecordSet::value(int index) const {
  if (eof()) throw Error("已到记录末尾");
  return at(pos_, index);
}

const Value& RecordSet::at(std::size_t row, int index) const {
  if (index < 0 || index >= fieldCount() || row >= rows_)
    throw Error("字段序号超出范围：" + std::to_string(index));
  return cells_[row * names_.size() + static_cast<std::size_t>(index)];
}

void RecordSet::close() {
  names_.clear();
  cells_.clear();
  rows_ = pos_ = 0;
}

std::string ConnectionString(const std::string& workbookPath) {
  return "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + workbookPath +
         ";Extended Properties='Excel 12.0 Xml;HDR=yes;IMEX=1'";
}

std::string BracketName(const std::string& name) {
  if (name.find(']') == std::string::npos) return "[" + name + "]";
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

}  // namespace tessaro
