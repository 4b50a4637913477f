// The cache of open workbooks and their loaded sheets (see BookCache.h).
#include "source/BookCache.h"

#include <sys/stat.h>

#include <cstdlib>
#include <list>

#include "common/Error.h"
#include "source/Engine.h"
#include "source/Provider.h"
#include "source/SqlFunctions.h"
#include "source/Workbook.h"

namespace tessaro::source {
namespace {

struct FileStamp {
  long long size = 0;
  long long mtimeNs = 0;
};

FileStamp Stamp(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) throw Error("找不到工作簿文件：" + path);
  return {static_cast<long long>(st.st_size),
          static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

std::mutex gCacheMutex;
std::list<std::shared_ptr<Book>> gCache;  // most recently used first
constexpr std::size_t kCachedBooks = 3;

std::string Canonical(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out = real;
  std::free(real);
  return out;
}

// The cached entry of `key` moved to the front, if it still matches `stamp`;
// a stale entry is dropped.
std::shared_ptr<Book> Cached(const std::string& key, const FileStamp& stamp) {
  std::lock_guard<std::mutex> lock(gCacheMutex);
  for (auto it = gCache.begin(); it != gCache.end(); ++it) {
    if ((*it)->path != key) continue;
    if ((*it)->size == stamp.size && (*it)->mtimeNs == stamp.mtimeNs) {
      auto book = *it;
      gCache.erase(it);
      gCache.push_front(book);
      return book;
    }
    gCache.erase(it);
    break;
  }
  return nullptr;
}

}  // namespace

Book::~Book() {
  if (db) sqlite3_close(db);
}

void Book::openDb() {
  if (db) return;
  if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK)
    throw Error("无法创建内存数据库");
  Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA automatic_index=ON; PRAGMA temp_store=MEMORY;");
  RegisterSqlFunctions(db);
  GuardConnection(db, &check);
}

std::optional<std::size_t> Book::sheetIndex(const std::string& name) const {
  const auto& names = reader->sheetNames();
  for (const std::string& wanted : {name, UnescapeSheetName(name)}) {
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i] == wanted) return i;
    for (std::size_t i = 0; i < names.size(); ++i)
      if (LowerAscii(names[i]) == LowerAscii(wanted)) return i;
  }
  return std::nullopt;
}

void Book::use(std::size_t index, const PreparedSql& query) {
  const std::string& sheet = reader->sheetNames()[index];
  const std::string key = LowerAscii(sheet);
  auto loaded = tables.find(key);
  if (loaded != tables.end() && !loaded->second.hasAll(query)) {
    DropSheetTable(db, sheet);
    tables.erase(loaded);
  }
  if (!tables.count(key)) {
    openDb();
    LoadedTable table;
    try {
      table = LoadSheetTable(db, *reader, index, nullptr);
    } catch (const TooWide&) {
      table = LoadSheetTable(db, *reader, index, &query);
    }
    tables[key] = std::move(table);
  }
  NoteFormulasWithoutResult(path + "\n" + sheet, tables[key].formulasWithoutResult);
}

std::shared_ptr<Book> GetBook(const std::string& path) {
  const std::string key = Canonical(path);
  const FileStamp stamp = Stamp(path);
  if (auto book = Cached(key, stamp)) return book;
  auto book = std::make_shared<Book>();
  book->path = key;
  book->size = stamp.size;
  book->mtimeNs = stamp.mtimeNs;
  book->reader = OpenWorkbook(path);
  std::lock_guard<std::mutex> lock(gCacheMutex);
  gCache.push_front(book);
  while (gCache.size() > kCachedBooks) gCache.pop_back();
  return book;
}

bool ReleaseOtherBooks(const Book* keep) {
  std::lock_guard<std::mutex> lock(gCacheMutex);
  const std::size_t before = gCache.size();
  gCache.remove_if([&](const std::shared_ptr<Book>& b) { return b.get() != keep; });
  return gCache.size() != before;
}

void ClearWorkbookCache() {
  std::lock_guard<std::mutex> lock(gCacheMutex);
  gCache.clear();
}

}  // namespace tessaro::source
