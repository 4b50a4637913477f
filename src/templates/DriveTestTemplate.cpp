#include "templates/DriveTestTemplate.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>

#include "common/Encoding.h"
#include "common/Error.h"
#include "common/OutputFile.h"
#include "common/ReadFile.h"
#include "common/Text.h"
#include "templates/SaveFolder.h"
#include "templates/SectorTemplate.h"

namespace tessaro {

namespace fs = std::filesystem;

std::string DriveTestTemplateFolder() { return SaveFolder() + "dt/"; }

std::string DriveTestTemplateText(const DriveTestTemplate& t) {
  std::string utf8;
  auto line = [&](const std::string& s) {
    utf8 += s;
    utf8 += "\r\n";
  };
  line(t.scale);
  for (const auto& b : t.bounds) line(b);
  for (ColourValue c : t.colours) line(" " + std::to_string(c) + " ");
  return ToCp936(utf8);
}

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

}  // namespace

DriveTestTemplate ParseDriveTestTemplate(const std::string& bytes, const std::string& fileName) {
  std::vector<std::string> lines = SplitLines(DecodeTextFile(bytes));
  if (lines.size() < 12)
    throw Error("设置模版“" + fileName + "”已损坏：应有 12 行，只有 " + std::to_string(lines.size()) + " 行");
  DriveTestTemplate t;
  t.scale = lines[0];
  for (std::size_t i = 0; i < 6; ++i) t.bounds[i] = lines[1 + i];
  for (std::size_t i = 0; i < 5; ++i) {
    std::string s = Trim(lines[7 + i]);
    long long v = -1;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || v < 0 || v > 0xFFFFFF)
      throw Error("设置模版“" + fileName + "”已损坏：第 " + std::to_string(8 + i) + " 行“" +
                  PrintableExcerpt(lines[7 + i]) + "”不是颜色值");
    t.colours[i] = static_cast<ColourValue>(v);
  }
  return t;
}

void CheckDriveTestTemplateName(const std::string& name) {
  // The same rule as the sector templates.
  if (std::string problem = TemplateNameProblem(name); !problem.empty()) throw Error(problem);
}

std::string SaveDriveTestTemplate(const std::string& name, const DriveTestTemplate& t) {
  CheckDriveTestTemplateName(name);
  const std::string folder = DriveTestTemplateFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::string path = folder + name + ".txt";
  OutputFile out(path);
  out.write(DriveTestTemplateText(t));
  out.commit();
  return path;
}

DriveTestTemplate LoadDriveTestTemplate(const std::string& fileName) {
  std::string bytes;
  try {
    bytes = ReadSmallFile(DriveTestTemplateFolder() + fileName, kMaxTemplateBytes);
  } catch (const Error& e) {
    throw Error("无法读取设置模版“" + fileName + "”：" + e.what());
  }
  return ParseDriveTestTemplate(bytes, fileName);
}

void DeleteDriveTestTemplate(const std::string& fileName) {
  if (fileName.find('/') != std::string::npos) throw Error("无法删除设置模版“" + fileName + "”");
  std::error_code ec;
  if (!fs::remove(DriveTestTemplateFolder() + fileName, ec))
    throw Error("无法删除设置模版“" + fileName + "”：" + (ec ? SystemErrorText(ec) : std::string("文件不存在")));
}

std::vector<std::string> ListDriveTestTemplates() { return ListFiles(DriveTestTemplateFolder(), ".txt"); }

}  // namespace tessaro
