#include "templates/SectorTemplate.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/Encoding.h"
#include "common/Error.h"
#include "common/OutputFile.h"
#include "common/ReadFile.h"
#include "common/Text.h"
#include "templates/SaveFolder.h"

namespace tessaro {

namespace {

// A colour as the print statement writes a non-negative number: a blank in
// place of the sign, the digits, a trailing blank.
std::string ColourLine(ColourValue c) { return " " + std::to_string(c) + " "; }

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  return folder;
}

}  // namespace

std::string SectorTemplateBytes(const SectorSettings& s) {
  std::string text;
  for (const std::string* line : {&s.opacity, &s.outlineWidth, &s.labelScale, &s.radius, &s.altitude, &s.beamwidth}) {
    text += ToCp936(*line);
    text += "\r\n";
  }
  for (ColourValue c : {s.outlineColour, s.fillColour, s.labelColour}) {
    text += ColourLine(c);
    text += "\r\n";
  }
  return text;
}

SectorSettings ParseSectorTemplate(const std::string& bytes, const std::string& fileName) {
  const std::vector<std::string> lines = SplitLines(DecodeTextFile(bytes));
  if (lines.size() < 9)
    throw Error("模版文件“" + fileName + "”不完整：只有 " + std::to_string(lines.size()) + " 行，应为 9 行");
  SectorSettings s;
  s.opacity = lines[0];
  s.outlineWidth = lines[1];
  s.labelScale = lines[2];
  s.radius = lines[3];
  s.altitude = lines[4];
  s.beamwidth = lines[5];
  ColourValue* colours[] = {&s.outlineColour, &s.fillColour, &s.labelColour};
  for (int k = 0; k < 3; ++k) {
    const std::string t = Trim(lines[static_cast<std::size_t>(6 + k)]);
    std::uint32_t v = 0;
    auto res = std::from_chars(t.data(), t.data() + t.size(), v, 10);
    if (t.empty() || res.ec != std::errc() || res.ptr != t.data() + t.size() || v > 0xFFFFFFu)
      throw Error("模版文件“" + fileName + "”第 " + std::to_string(7 + k) + " 行不是颜色值：“" + PrintableExcerpt(t) +
                  "”");
    *colours[k] = v;
  }
  return s;
}

std::string TemplateNameProblem(const std::string& name) {
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
    return "模版名称不能包含“/”或“\\”：“" + name + "”";
  if (name == "." || name == "..") return "模版名称不能是“.”或“..”";
  if (name.find('\0') != std::string::npos) return "模版名称含有无效字符";
  return {};
}

std::string SaveSectorTemplate(const std::string& folder, const std::string& name, const SectorSettings& settings) {
  if (std::string problem = TemplateNameProblem(name); !problem.empty()) throw Error(problem);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string path = WithSlash(folder) + name + ".txt";
  OutputFile out(path);
  out.write(SectorTemplateBytes(settings));
  out.commit();
  return path;
}

SectorSettings LoadSectorTemplate(const std::string& folder, const std::string& fileName) {
  std::string bytes;
  try {
    bytes = ReadSmallFile(WithSlash(folder) + fileName, kMaxTemplateBytes);
  } catch (const Error& e) {
    throw Error("无法打开模版文件“" + fileName + "”：" + e.what());
  }
  return ParseSectorTemplate(bytes, fileName);
}

std::vector<std::string> ListSectorTemplates(const std::string& folder) { return ListFiles(folder, ".txt"); }

void DeleteSectorTemplate(const std::string& folder, const std::string& fileName) {
  const std::string path = WithSlash(folder) + fileName;
  if (std::remove(path.c_str()) != 0)
    throw Error("无法删除模版文件“" + fileName + "”：" + SystemErrorText(errno));
}

}  // namespace tessaro
