#include "source/ZipXml.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "source/SheetScanner.h"

namespace tessaro::source {

const char* XmlErrorReason(XML_Error code) {
  switch (code) {
    case XML_ERROR_NONE: return "没有错误";
    case XML_ERROR_NO_MEMORY: return "内存不足";
    case XML_ERROR_SYNTAX: return "语法错误";
    case XML_ERROR_NO_ELEMENTS: return "没有任何元素";
    case XML_ERROR_INVALID_TOKEN: return "格式不正确（无效的标记）";
    case XML_ERROR_UNCLOSED_TOKEN: return "标记没有结束";
    case XML_ERROR_PARTIAL_CHAR: return "字符不完整";
    case XML_ERROR_TAG_MISMATCH: return "结束标签与开始标签不匹配";
    case XML_ERROR_DUPLICATE_ATTRIBUTE: return "属性重复";
    case XML_ERROR_JUNK_AFTER_DOC_ELEMENT: return "根元素之后还有多余的内容";
    case XML_ERROR_PARAM_ENTITY_REF: return "不允许引用参数实体";
    case XML_ERROR_UNDEFINED_ENTITY: return "实体未定义";
    case XML_ERROR_RECURSIVE_ENTITY_REF: return "实体递归引用自身";
    case XML_ERROR_ASYNC_ENTITY: return "实体的开始和结束不在同一层";
    case XML_ERROR_BAD_CHAR_REF: return "引用了无效的字符编号";
    case XML_ERROR_BINARY_ENTITY_REF: return "引用了二进制实体";
    case XML_ERROR_ATTRIBUTE_EXTERNAL_ENTITY_REF: return "属性值中引用了外部实体";
    case XML_ERROR_MISPLACED_XML_PI: return "XML 声明不在文档开头";
    case XML_ERROR_UNKNOWN_ENCODING: return "未知的字符编码";
    case XML_ERROR_INCORRECT_ENCODING: return "XML 声明的字符编码与内容不符";
    case XML_ERROR_UNCLOSED_CDATA_SECTION: return "CDATA 段没有结束";
    case XML_ERROR_EXTERNAL_ENTITY_HANDLING: return "处理外部实体引用时出错";
    case XML_ERROR_NOT_STANDALONE: return "文档不是独立文档";
    case XML_ERROR_UNEXPECTED_STATE: return "解析器状态异常";
    case XML_ERROR_ENTITY_DECLARED_IN_PE: return "在参数实体中声明了实体";
    case XML_ERROR_FEATURE_REQUIRES_XML_DTD: return "该功能需要支持 DTD 的解析器";
    case XML_ERROR_CANT_CHANGE_FEATURE_ONCE_PARSING: return "解析开始后不能再更改设置";
    case XML_ERROR_UNBOUND_PREFIX: return "命名空间前缀未声明";
    case XML_ERROR_UNDECLARING_PREFIX: return "不能取消命名空间前缀的声明";
    case XML_ERROR_INCOMPLETE_PE: return "参数实体中的标记不完整";
    case XML_ERROR_XML_DECL: return "XML 声明格式不正确";
    case XML_ERROR_TEXT_DECL: return "文本声明格式不正确";
    case XML_ERROR_PUBLICID: return "公共标识符中有非法字符";
    case XML_ERROR_SUSPENDED: return "解析器已暂停";
    case XML_ERROR_NOT_SUSPENDED: return "解析器没有暂停";
    case XML_ERROR_ABORTED: return "解析已中止";
    case XML_ERROR_FINISHED: return "解析已结束";
    case XML_ERROR_SUSPEND_PE: return "不能在参数实体中暂停";
    case XML_ERROR_RESERVED_PREFIX_XML: return "保留前缀 xml 不能取消声明或绑定到其他命名空间";
    case XML_ERROR_RESERVED_PREFIX_XMLNS: return "保留前缀 xmlns 不能声明或取消声明";
    case XML_ERROR_RESERVED_NAMESPACE_URI: return "前缀不能绑定到保留的命名空间";
    case XML_ERROR_INVALID_ARGUMENT: return "参数无效";
    case XML_ERROR_NO_BUFFER: return "没有可用的缓冲区";
    case XML_ERROR_AMPLIFICATION_LIMIT_BREACH: return "实体展开超过限制（文件可能是恶意构造的）";
  }
  return "XML 格式错误";
}

// Exceptions must not unwind through expat's C frames: a handler's error is
// kept, parsing stops, and feed() throws it.
void XmlPart::OnStart(void* u, const char* n, const char** a) {
  auto* self = static_cast<XmlPart*>(u);
  if (self->stopped_) return;
  try {
    if (++self->depth_ > kMaxDepth)
      throw Error("工作簿已损坏：元素嵌套超过 " + std::to_string(kMaxDepth) + " 层");
    self->start(Local(n), a);
  } catch (...) {
    self->fail(std::current_exception());
  }
}

void XmlPart::OnEnd(void* u, const char* n) {
  auto* self = static_cast<XmlPart*>(u);
  if (self->stopped_) return;
  --self->depth_;
  try {
    self->end(Local(n));
  } catch (...) {
    self->fail(std::current_exception());
  }
}

void XmlPart::OnText(void* u, const char* s, int len) {
  auto* self = static_cast<XmlPart*>(u);
  if (!self->capture_ || self->stopped_) return;
  self->appendText(s, static_cast<std::size_t>(len));
}

void XmlPart::appendText(const char* s, std::size_t len) {
  if (text_.size() + len > kMaxText) {
    fail(std::make_exception_ptr(Error("工作簿已损坏：单元格文本超过 " + std::to_string(kMaxText) + " 字节")));
    return;
  }
  text_.append(s, len);
}

XmlPart::XmlPart(Parser parser) {
  if (parser == Parser::Sheet) {
    scanner_ = std::make_unique<SheetScanner>(*this);
    return;
  }
  parser_ = XML_ParserCreate("UTF-8");
  if (!parser_) throw Error("内存不足：无法创建 XML 解析器");
  XML_SetUserData(parser_, this);
  XML_SetElementHandler(parser_, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser_, OnText);
}

XmlPart::~XmlPart() {
  if (parser_) XML_ParserFree(parser_);
}

void XmlPart::stop() {
  stopped_ = true;
  if (parser_) XML_StopParser(parser_, XML_FALSE);
}

void XmlPart::fail(std::exception_ptr e) {
  if (!error_) error_ = e;
  stop();
}

void XmlPart::feed(const char* data, std::size_t size, bool last, const std::string& part) {
  if (stopped_) return;
  if (scanner_) {
    scanner_->feed(data, size, last, part);
    if (error_) std::rethrow_exception(error_);
    return;
  }
  const auto status = XML_Parse(parser_, data, static_cast<int>(size), last ? 1 : 0);
  if (error_) std::rethrow_exception(error_);
  if (status == XML_STATUS_ERROR) {
    if (stopped_) return;
    throw Error("工作簿已损坏：" + part + " 第 " + std::to_string(XML_GetCurrentLineNumber(parser_)) +
                " 行 XML 无效（" + XmlErrorReason(XML_GetErrorCode(parser_)) + "）");
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

std::uint64_t Zip::declaredSize(const std::string& part) {
  if (unzLocateFile(zip_, part.c_str(), 2) != UNZ_OK) return 0;
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return 0;
  return info.uncompressed_size;
}

std::uint64_t Zip::storedSize(const std::string& part) {
  if (unzLocateFile(zip_, part.c_str(), 2) != UNZ_OK) return 0;
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return 0;
  return info.compressed_size;
}

namespace {

// Parts at least this large are inflated on a second thread.
constexpr std::uint64_t kThreadedPart = std::uint64_t(8) << 20;
constexpr std::size_t kChunk = std::size_t(1) << 18;

std::string InflateError(const std::string& part, int rc) {
  return "工作簿已损坏：部件 " + part + " 解压失败（错误 " + std::to_string(rc) + "）";
}

std::string OversizeError(const std::string& part, std::uint64_t size) {
  return "工作簿已损坏：部件 " + part + " 解压后超过 zip 目录声明的 " + std::to_string(size) + " 字节";
}

void Report(Progress* progress, double read, std::uint64_t size) {
  if (!progress) return;
  progress->checkCancelled();
  if (size > 0) progress->setValue(std::min(1000.0, 1000.0 * read / static_cast<double>(size)));
}

// Inflated chunks handed from the inflating thread to the parsing one.
class ChunkQueue {
 public:
  struct Chunk {
    std::vector<char> data;
    int n = 0;            // bytes, 0 at the end, < 0 a zip error
    std::string error;    // set when the part is damaged
  };
  static constexpr std::size_t kDepth = 4;

  ChunkQueue() {
    for (std::size_t i = 0; i < kDepth; ++i) free_.push_back(std::make_unique<Chunk>());
    for (auto& c : free_) c->data.resize(kChunk);
  }
  // Producer side: a chunk to fill, or null once the consumer gave up.
  std::unique_ptr<Chunk> take() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !free_.empty() || abandoned_; });
    if (abandoned_) return nullptr;
    auto c = std::move(free_.front());
    free_.pop_front();
    return c;
  }
  void put(std::unique_ptr<Chunk> c) {
    std::lock_guard<std::mutex> lock(mutex_);
    full_.push_back(std::move(c));
    changed_.notify_all();
  }
  // Consumer side.
  std::unique_ptr<Chunk> next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !full_.empty(); });
    auto c = std::move(full_.front());
    full_.pop_front();
    return c;
  }
  void giveBack(std::unique_ptr<Chunk> c) {
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(std::move(c));
    changed_.notify_all();
  }
  void abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Chunk>> free_, full_;
  bool abandoned_ = false;
};

}  // namespace

void Zip::parse(const std::string& part, XmlPart& xml, Progress* progress) {
  if (unzLocateFile(zip_, part.c_str(), 2) != UNZ_OK) throw Error("工作簿缺少部件 " + part);
  unz_file_info64 info{};
  unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0);
  if (unzOpenCurrentFile(zip_) != UNZ_OK) throw Error("工作簿已损坏：无法打开部件 " + part);
  if (progress) progress->setMaximum(1000);
  try {
    if (info.uncompressed_size >= kThreadedPart) parseInflating(part, info.uncompressed_size, xml, progress);
    else parseHere(part, info.uncompressed_size, xml, progress);
  } catch (...) {
    unzCloseCurrentFile(zip_);
    throw;
  }
  int rc = unzCloseCurrentFile(zip_);
  if (!xml.stopped() && rc == UNZ_CRCERROR) throw Error("工作簿已损坏：部件 " + part + " 校验和（CRC）不符");
  if (!xml.stopped() && rc != UNZ_OK) throw Error("工作簿已损坏：部件 " + part + " 读取失败");
}

void Zip::parseHere(const std::string& part, std::uint64_t size, XmlPart& xml, Progress* progress) {
  // A small part gets a small buffer (one byte more than declared shows a
  // part that inflates past its size).
  std::vector<char> buf(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size + 1)));
  std::uint64_t read = 0;
  for (;;) {
    int n = unzReadCurrentFile(zip_, buf.data(), static_cast<unsigned>(buf.size()));
    if (n < 0) throw Error(InflateError(part, n));
    read += static_cast<std::uint64_t>(n);
    if (read > size) throw Error(OversizeError(part, size));
    xml.feed(buf.data(), static_cast<std::size_t>(n), n == 0, part);
    Report(progress, static_cast<double>(read), size);
    if (xml.stopped() || n == 0) break;
  }
}

// One thread inflates into a few chunks while this one parses them.
void Zip::parseInflating(const std::string& part, std::uint64_t size, XmlPart& xml, Progress* progress) {
  ChunkQueue queue;
  std::thread inflater([&] {
    std::uint64_t read = 0;
    for (;;) {
      auto c = queue.take();
      if (!c) return;
      c->n = unzReadCurrentFile(zip_, c->data.data(), static_cast<unsigned>(c->data.size()));
      if (c->n < 0) c->error = InflateError(part, c->n);
      read += static_cast<std::uint64_t>(std::max(c->n, 0));
      if (read > size) c->error = OversizeError(part, size);
      const bool end = c->n <= 0 || !c->error.empty();
      queue.put(std::move(c));
      if (end) return;
    }
  });
  std::uint64_t read = 0;
  try {
    for (;;) {
      auto c = queue.next();
      if (!c->error.empty()) throw Error(c->error);
      read += static_cast<std::uint64_t>(c->n);
      xml.feed(c->data.data(), static_cast<std::size_t>(c->n), c->n == 0, part);
      const bool end = c->n == 0;
      queue.giveBack(std::move(c));
      Report(progress, static_cast<double>(read), size);
      if (xml.stopped() || end) break;
    }
  } catch (...) {
    queue.abandon();
    inflater.join();
    throw;
  }
  queue.abandon();
  inflater.join();
}

}  // namespace tessaro::source
