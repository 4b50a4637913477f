// Fuzzes the .xlsx reader. An input whose first byte is even is taken as a
// whole file; otherwise the rest is split at "\n--\n" into the sheet XML,
// the shared strings, the styles and the workbook XML, which are packed into
// a valid zip (so the mutations reach the XML handling past the CRC).
#include <minizip/zip.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ReadBook.h"

namespace {

const char* kDefaults[] = {
    "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c><c><v>1</v></c></row></sheetData></worksheet>",
    "<sst><si><t>a</t></si></sst>",
    ("<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/></numFmts>"
     "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>"),
    "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" r:id=\"rId1\"/><sheet name=\"T\" r:id=\"rId9\"/></sheets></workbook>",
};

const char* kRels =
    "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
    "<Relationship Id=\"rId3\" Type=\"x/styles\" Target=\"../xl/styles.xml\"/></Relationships>";

void Add(zipFile z, const char* name, const std::string& data) {
  zip_fileinfo info{};
  if (zipOpenNewFileInZip(z, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 1) != ZIP_OK) return;
  zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size()));
  zipCloseFileInZip(z);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/dev/shm/tessaro-fuzz-" + std::to_string(getpid()) + ".xlsx";
  if (size == 0) return 0;
  if ((data[0] & 1) == 0) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  } else {
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() < 4) {
      std::size_t sep = text.find("\n--\n", start);
      if (sep == std::string::npos) {
        parts.push_back(text.substr(start));
        break;
      }
      parts.push_back(text.substr(start, sep - start));
      start = sep + 4;
    }
    while (parts.size() < 4) parts.push_back(kDefaults[parts.size()]);
    zipFile z = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!z) return 0;
    Add(z, "xl/worksheets/sheet1.xml", parts[0]);
    Add(z, "xl/sharedStrings.xml", parts[1]);
    Add(z, "xl/styles.xml", parts[2]);
    Add(z, "xl/workbook.xml", parts[3]);
    Add(z, "xl/_rels/workbook.xml.rels", kRels);
    zipClose(z, nullptr);
  }
  fuzz::ReadEverything(tessaro::source::OpenXlsx, path);
  return 0;
}
