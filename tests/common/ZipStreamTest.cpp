// ZipStream past the classic zip limits, checked by real readers (Info-ZIP
// unzip and Python's zipfile), and its bytes within them.
#include "common/ZipStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace tessaro;
namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path Scratch(const std::string& name) {
  const fs::path dir = fs::path(TESSARO_BINARY_DIR) / "tmp-zipstream";
  fs::create_directories(dir);
  return dir / name;
}

// Runs a shell command: its exit status, and its output in `out`.
int Shell(const std::string& cmd, std::string& out) {
  FILE* f = ::popen((cmd + " 2>&1").c_str(), "r");
  out.clear();
  char buf[4096];
  for (std::size_t n; f && (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
  const int rc = f ? ::pclose(f) : -1;
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Writes an archive with `fill`, checks it with `unzip -t`, and returns what
// Python's zipfile reads: "COUNT NAME:SIZE|NAME:SIZE... FIRST-BAD-ENTRY" for
// the entries named.
template <typename Fill>
std::string WriteAndRead(const fs::path& path, const std::string& names, Fill fill) {
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    ZipStream zip([&file](std::string_view b) { file.write(b.data(), static_cast<std::streamsize>(b.size())); });
    fill(zip);
    zip.finish();
  }
  std::string out;
  EXPECT_EQ(Shell("unzip -tqq '" + path.string() + "'", out), 0) << out;
  Shell("/usr/bin/python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
        "print(len(z.infolist()), '|'.join(n + ':' + str(z.getinfo(n).file_size) for n in sys.argv[2].split(',')), "
        "z.testzip())\" '" + path.string() + "' '" + names + "'",
        out);
  return out;
}

}  // namespace

// The bytes of a small archive are the classic format's, as they always were
// (the time stamp masked).
TEST(ZipStream, SmallArchiveKeepsItsClassicBytes) {
  std::string out;
  {
    ZipStream z([&](std::string_view b) { out += b; });
    z.add("doc.kml", "<kml/>\r\n");
    z.begin("files/图.gif");
    std::string pattern;
    for (int i = 0; i < 1000; ++i) pattern.push_back(static_cast<char>('a' + i % 7));
    z.write(pattern.substr(0, 400));
    z.write(pattern.substr(400));
    z.end();
    z.add("empty", "");
    z.finish();
  }
  std::string hex;
  for (unsigned char c : out) {
    static const char* digits = "0123456789abcdef";
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  auto mask = [](std::string h, const std::string& stamp) {
    for (std::size_t at = h.find(stamp); at != std::string::npos; at = h.find(stamp, at + 8))
      h.replace(at, 8, "00000000");
    return h;
  };
  const std::string golden =
      "504b03041400080808000069895d00000000000000000000000007000000646f632e6b6d6cb3c9cecdd1b7e3e50200504b07082de786"
      "550a00000008000000504b03041400080808000069895d0000000000000000000000000d00000066696c65732fe59bbe2e6769664b4c"
      "4a4e494d4b4f1ca546a9516af85200504b0708590a165311000000e8030000504b03041400080808000069895d00000000000000000000"
      "000005000000656d7074790300504b0708000000000200000000000000504b010214031400080808000069895d2de786550a000000080"
      "00000070000000000000000000000a48100000000646f632e6b6d6c504b010214031400080808000069895d590a165311000000e80300"
      "000d0000000000000000000000a4813f00000066696c65732fe59bbe2e676966504b010214031400080808000069895d00000000020000"
      "0000000000050000000000000000000000a4818b000000656d707479504b05060000000003000300a3000000c00000000000";
  EXPECT_EQ(mask(hex, hex.substr(20, 8)), mask(golden, "0069895d"));
}

// Every ZIP64 record (descriptors, central extra fields, the end record and
// its locator) on a small archive, read back by both readers (zipfile's
// testzip checks every entry's CRC).
TEST(ZipStream, Zip64RecordsAreReadByRealReaders) {
  const fs::path path = Scratch("forced64.zip");
  std::string big;
  for (int i = 0; i < 100000; ++i) big += std::to_string(i * 7919 % 100003) + ",";
  detail::ForceZip64(true);
  const std::string read = WriteAndRead(path, "doc.kml,tiles/大.kml,empty", [&](ZipStream& z) {
    z.add("doc.kml", "<kml/>");
    z.add("tiles/大.kml", big);
    z.add("empty", "");
  });
  detail::ForceZip64(false);
  EXPECT_EQ(read, "3 doc.kml:6|tiles/大.kml:" + std::to_string(big.size()) + "|empty:0 None\n");
  const std::string bytes = ReadBytes(path);
  EXPECT_NE(bytes.find(std::string("PK\x06\x06", 4)), std::string::npos) << "no ZIP64 end record";
  EXPECT_NE(bytes.find(std::string("PK\x06\x07", 4)), std::string::npos) << "no ZIP64 locator";
}

// More than 65,535 entries: the count goes into the ZIP64 end record.
TEST(ZipStream, MoreThan65535Entries) {
  EXPECT_EQ(WriteAndRead(Scratch("many.zip"), "t/0.kml,t/69999.kml",
                         [](ZipStream& z) {
                           for (int i = 0; i < 70000; ++i) z.add("t/" + std::to_string(i) + ".kml", std::to_string(i));
                         }),
            "70000 t/0.kml:1|t/69999.kml:5 None\n");
}

// An entry over 4 GiB (4.5 GiB of zeros deflate to a few MiB). Slow (zlib
// takes minutes), so it runs only when asked for:
//   test_common --gtest_also_run_disabled_tests --gtest_filter='*Over4GiB*'
TEST(ZipStream, DISABLED_EntryOver4GiB) {
  const std::uint64_t size = std::uint64_t(9) << 29;
  const std::string chunk(std::size_t(1) << 24, '\0');
  EXPECT_EQ(WriteAndRead(Scratch("huge.zip"), "huge.kml,after.kml",
                         [&](ZipStream& z) {
                           z.begin("huge.kml");
                           for (std::uint64_t done = 0; done < size; done += chunk.size()) z.write(chunk);
                           z.end();
                           z.add("after.kml", "after");
                         }),
            "2 huge.kml:" + std::to_string(size) + "|after.kml:5 None\n");
}
