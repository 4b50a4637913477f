#include "source/ZipXml.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tessaro::source {

const char* Local(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}

const char* Attr(const char** attrs, const char* localName) {
  for (int i = 0; attrs[i]; i += 2)
    if (std::strcmp(Local(attrs[i]), localName) == 0) return attrs[i + 1];
  return nullptr;
}

// Exceptions must not unwind through expat's C frames: a handler's error is
// kept, parsing stops, and feed() throws it.
void XmlPart::OnStart(void* u, const char* n, const char** a) {
  auto* self = static_cast<XmlPart*>(u);
  if (self->stopped_) return;
  try {
    self->start(Local(n), a);
  } catch (...) {
    self->fail(std::current_exception());
  }
}

void XmlPart::OnEnd(void* u, const char* n) {
  auto* self = static_cast<XmlPart*>(u);
  if (self->stopped_) return;
  try {
    self->end(Local(n));
  } catch (...) {
    self->fail(std::current_exception());
  }
}

void XmlPart::OnText(void* u, const char* s, int len) {
  auto* self = static_cast<XmlPart*>(u);
  if (!self->capture_ || self->stopped_) return;
  if (self->text_.size() + static_cast<std::size_t>(len) > kMaxText) {
    self->fail(std::make_exception_ptr(Error("工作簿已损坏：单元格文本超过 " + std::to_string(kMaxText) + " 字节")));
    return;
  }
  self->text_.append(s, static_cast<std::size_t>(len));
}

XmlPart::XmlPart() : parser_(XML_ParserCreate("UTF-8")) {
  if (!parser_) throw Error("内存不足：无法创建 XML 解析器");
  XML_SetUserData(parser_, this);
  XML_SetElementHandler(parser_, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser_, OnText);
}

XmlPart::~XmlPart() { XML_ParserFree(parser_); }

void XmlPart::stop() {
  stopped_ = true;
  XML_StopParser(parser_, XML_FALSE);
}

void XmlPart::fail(std::exception_ptr e) {
  if (!error_) error_ = e;
  stop();
}

void XmlPart::feed(const char* data, std::size_t size, bool last, const std::string& part) {
  if (stopped_) return;
  const auto status = XML_Parse(parser_, data, static_cast<int>(size), last ? 1 : 0);
  if (error_) std::rethrow_exception(error_);
  if (status == XML_STATUS_ERROR) {
    if (stopped_) return;
    throw Error("工作簿已损坏：" + part + " 第 " + std::to_string(XML_GetCurrentLineNumber(parser_)) +
                " 行 XML 无效（" + XML_ErrorString(XML_GetErrorCode(parser_)) + "）");
  }
}

Zip::Zip(const std::string& path) : path_(path) {
  zip_ = unzOpen64(path.c_str());
  if (!zip_) throw Error("工作簿已损坏或不完整（无法读取 zip 目录）：" + path);
}

Zip::~Zip() {
  if (zip_) unzClose(zip_);
}

bool Zip::has(const std::string& part) { return unzLocateFile(zip_, part.c_str(), 2) == UNZ_OK; }

std::string Zip::head(const std::string& part, std::size_t max) {
  if (unzLocateFile(zip_, part.c_str(), 2) != UNZ_OK || unzOpenCurrentFile(zip_) != UNZ_OK) return {};
  std::string out(max, '\0');
  const int n = unzReadCurrentFile(zip_, out.data(), static_cast<unsigned>(max));
  unzCloseCurrentFile(zip_);
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

void Zip::parse(const std::string& part, XmlPart& xml, Progress* progress) {
  if (unzLocateFile(zip_, part.c_str(), 2) != UNZ_OK) throw Error("工作簿缺少部件 " + part);
  unz_file_info64 info{};
  unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0);
  if (unzOpenCurrentFile(zip_) != UNZ_OK) throw Error("工作簿已损坏：无法打开部件 " + part);
  // A small part gets a small buffer (its declared size is only a hint).
  std::vector<char> buf(static_cast<std::size_t>(std::min<ZPOS64_T>(1 << 18, info.uncompressed_size + 1)));
  if (progress) progress->setMaximum(1000);
  double read = 0;
  try {
    for (;;) {
      int n = unzReadCurrentFile(zip_, buf.data(), static_cast<unsigned>(buf.size()));
      if (n < 0) throw Error("工作簿已损坏：部件 " + part + " 解压失败（错误 " + std::to_string(n) + "）");
      xml.feed(buf.data(), static_cast<std::size_t>(n), n == 0, part);
      read += n;
      if (progress && info.uncompressed_size > 0)
        progress->setValue(std::min(1000.0, 1000.0 * read / static_cast<double>(info.uncompressed_size)));
      if (xml.stopped()) break;
      if (n == 0) break;
    }
  } catch (...) {
    unzCloseCurrentFile(zip_);
    throw;
  }
  int rc = unzCloseCurrentFile(zip_);
  if (!xml.stopped() && rc == UNZ_CRCERROR) throw Error("工作簿已损坏：部件 " + part + " 校验和（CRC）不符");
  if (!xml.stopped() && rc != UNZ_OK) throw Error("工作簿已损坏：部件 " + part + " 读取失败");
}

}  // namespace tessaro::source
