// Fuzzes the .xlsx reader. An input whose first byte is even is taken as a
// whole file; otherwise the rest is split at "\n--\n" into the sheet XML,
// the shared strings, the styles and the workbook XML, which are packed into
// a valid zip (so the mutations reach the XML handling past the CRC).

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzRead.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tessaro::fuzz::InputPath(".xlsx");
  if (size == 0) return 0;
  if ((data[0] & 1) == 0) {
    if (!tessaro::fuzz::WriteInput(path, data + 1, size - 1)) return 0;
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
    tessaro::fuzz::AddToZip(z, "xl/worksheets/sheet1.xml", parts[0]);
    tessaro::fuzz::AddToZip(z, "xl/sharedStrings.xml", parts[1]);
    tessaro::fuzz::AddToZip(z, "xl/styles.xml", parts[2]);
    tessaro::fuzz::AddToZip(z, "xl/workbook.xml", parts[3]);
    tessaro::fuzz::AddToZip(z, "xl/_rels/workbook.xml.rels", kRels);
    zipClose(z, nullptr);
  }
  // The .xlsx reader directly: .xls files go to another reader.
  tessaro::fuzz::ReadEverything(path, tessaro::source::OpenXlsx);
  return 0;
}
