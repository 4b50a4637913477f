#include "source/Columns.h"

#include <algorithm>
#include <initializer_list>

#include "common/Error.h"
#include "common/Text.h"

namespace tessaro {

FileSelection SplitFileSelection(const std::string& selection) {
  FileSelection out;
  const std::size_t p = selection.find('\0');
  if (p == std::string::npos) {
    std::size_t slash = selection.find_last_of("/\\");
    std::string name = slash == std::string::npos ? selection : selection.substr(slash + 1);
    out.names.push_back(name);
    out.folder = selection.size() >= name.size() + 1 ? selection.substr(0, selection.size() - name.size() - 1) : "";
    return out;
  }
  out.folder = selection.substr(0, p);
  std::size_t start = p + 1;
  while (start <= selection.size()) {
    std::size_t next = selection.find('\0', start);
    if (next == std::string::npos) next = selection.size();
    if (next > start) out.names.push_back(selection.substr(start, next - start));
    start = next + 1;
  }
  return out;
}

namespace {

// Number of UTF-8 characters, and the byte offset of the first `n` characters.
std::size_t CharCount(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string FirstChars(const std::string& s, std::size_t n) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (count == n) return s.substr(0, i);
      ++count;
    }
  }
  return s;
}

bool Is(const std::string& h, std::initializer_list<const char*> texts) {
  for (const char* t : texts)
    if (h == t) return true;
  return false;
}

bool Begins(const std::string& h, std::initializer_list<const char*> texts) {
  for (const char* t : texts)
    if (h.compare(0, std::char_traits<char>::length(t), t) == 0) return true;
  return false;
}

// The length of a workbook extension the last-character rule does not
// cover (".csv", ".txt", ".ods", ".xlsm", in any case), or 0.
std::size_t OtherWorkbookExtension(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || dot == 0) return 0;
  std::string ext = fileName.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext == ".csv" || ext == ".txt" || ext == ".ods" || ext == ".xlsm" ? ext.size() : 0;
}

}  // namespace

std::optional<std::string> ProposeOutputName(const std::string& fileName, const std::string& sheet,
                                             const std::string& extension) {
  if (fileName.empty()) return std::nullopt;
  const std::size_t len = CharCount(fileName);
  const char last = fileName.back();
  std::size_t keep;
  if (last == 's') keep = len >= 4 ? len - 4 : 0;
  else if (last == 'x') keep = len >= 5 ? len - 5 : 0;
  else if (const std::size_t dropped = OtherWorkbookExtension(fileName)) keep = len - dropped;
  else return std::nullopt;
  return FirstChars(fileName, keep) + "_" + sheet + extension;
}

const char* RoleName(Role role) {
  switch (role) {
    case Role::Name: return "name";
    case Role::Lon: return "lon";
    case Role::Lat: return "lat";
    case Role::CellId: return "ci";
    case Role::Azimuth: return "azimuth";
    case Role::Value: return "value";
  }
  return "";
}

bool RoleMatches(Role role, const std::string& h) {
  switch (role) {
    case Role::Name:
      return Begins(h, {"基站", "小区名"}) ||
             Is(h, {"bts_name", "Site", "Cell", "SITE NAME", "CELL NAME", "站名", "CELL_NAME", "cell_name",
                    "site_name", "site name", "SITE_NAME"});
    case Role::Lon: return Is(h, {"经度", "X"}) || Begins(h, {"LON", "lon", "Lon"});
    case Role::Lat: return Is(h, {"纬度", "Y"}) || Begins(h, {"LAT", "lat", "Lat"});
    case Role::CellId:
      return Is(h, {"CELLID", "Cell_ID", "Cell ID", "cell_id", "cell id", "CID", "CI"}) ||
             Begins(h, {"CELL ID", "CELL_ID"});
    case Role::Azimuth: return Is(h, {"方位角", "Azimuth", "DIR", "AZIMUTH"}) || Begins(h, {"Dir", "dir"});
    case Role::Value:
      return Is(h, {"RLC Throughput DL(Kbps)", "DPCH C/I", "PCCPCH RSCP", "RX QualSub", "RX LevSub(dBm)", "质量",
                    "电平"}) ||
             Begins(h, {"CPICH", "RxAGC"});
  }
  return false;
}

std::vector<Role> WindowRoles(const std::string& window) {
  if (window == "sector") return {Role::Name, Role::Lon, Role::Lat, Role::Azimuth};
  if (window == "landmark") return {Role::Name, Role::Lon, Role::Lat};
  if (window == "flyline-cells") return {Role::Lon, Role::Lat, Role::CellId, Role::Azimuth};
  if (window == "flyline-points") return {Role::Lon, Role::Lat, Role::CellId};
  if (window == "drivetest") return {Role::Lon, Role::Lat, Role::Value};
  return {};
}

namespace {

// A header folded for the second list's tests: ASCII letters in lower case,
// blanks, "_" and "-" dropped, full-width parentheses as ASCII ones.
std::string Folded(const std::string& h) {
  std::string out;
  for (std::size_t i = 0; i < h.size(); ++i) {
    const char c = h[i];
    if (c == ' ' || c == '_' || c == '-') continue;
    if (h.compare(i, 3, "（") == 0 || h.compare(i, 3, "）") == 0) {
      out.push_back(h[i + 2] == '\x88' ? '(' : ')');
      i += 2;
      continue;
    }
    out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  }
  return out;
}

// "longitude(...)": the word followed by a unit in parentheses.
bool WithUnit(const std::string& folded, const std::string& word) {
  return folded.size() > word.size() + 1 && folded.compare(0, word.size(), word) == 0 &&
         folded[word.size()] == '(' && folded.back() == ')';
}

}  // namespace

bool ModernRoleMatches(Role role, const std::string& h) {
  const std::string f = Folded(h);
  switch (role) {
    case Role::Name: return Is(f, {"cellname", "站点名称"});
    case Role::Lon: return Begins(h, {"经度"}) || WithUnit(f, "longitude");
    case Role::Lat: return Begins(h, {"纬度"}) || WithUnit(f, "latitude");
    case Role::CellId: return Is(f, {"eci", "ecgi", "nci", "pci", "enodebcellid"});
    case Role::Azimuth: return Is(f, {"天线方向角", "方向角", "az"});
    case Role::Value: return Begins(f, {"rsrp", "rsrq", "sinr", "rssi", "rxlev", "rscp", "ec/io"});
  }
  return false;
}

std::map<Role, std::string> DetectColumns(const std::vector<std::string>& headers, const std::vector<Role>& roles) {
  std::map<Role, std::string> chosen;
  for (const auto& h : headers) {
    for (Role r : roles) {
      if (RoleMatches(r, h)) {
        chosen[r] = h;
        break;
      }
    }
  }
  // Roles the rules above leave empty are filled from the headers that
  // today's tools write, among the headers no role took.
  std::vector<Role> empty;
  for (Role r : roles)
    if (!chosen.count(r)) empty.push_back(r);
  if (empty.empty()) return chosen;
  std::map<Role, std::string> second;
  for (const auto& h : headers) {
    if (std::any_of(chosen.begin(), chosen.end(), [&](const auto& c) { return c.second == h; })) continue;
    for (Role r : empty) {
      if (ModernRoleMatches(r, h)) {
        second[r] = h;
        break;
      }
    }
  }
  chosen.insert(second.begin(), second.end());
  return chosen;
}

void RequireColumn(const std::string& column, const std::string& what) {
  if (Trim(column).empty()) throw Error("没有选择" + what + "列");
}

}  // namespace tessaro
