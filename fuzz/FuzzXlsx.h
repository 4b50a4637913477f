#pragma once
// Writing a small .xlsx package for the fuzz targets: the named parts,
// deflated, in a zip at `path` (minizip), with the relationships the readers
// follow to the sheet, the shared strings and the styles.
#include <minizip/zip.h>

#include <string>
#include <utility>
#include <vector>

namespace fuzz {

inline const char* kWorkbookRels =
    "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
    "<Relationship Id=\"rId3\" Type=\"x/styles\" Target=\"../xl/styles.xml\"/></Relationships>";

// Writes the parts (name, bytes) into a new zip; false when it cannot.
inline bool WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts) {
  zipFile z = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (!z) return false;
  for (const auto& [name, data] : parts) {
    zip_fileinfo info{};
    if (zipOpenNewFileInZip(z, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 1) != ZIP_OK) continue;
    zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size()));
    zipCloseFileInZip(z);
  }
  return zipClose(z, nullptr) == ZIP_OK;
}

// A workbook of one sheet: `sheetXml` as sheet 1 named `sheetName` (already
// escaped for XML), with the given shared strings and styles parts.
inline bool WriteXlsx(const std::string& path, const std::string& sheetName, const std::string& sheetXml,
                      const std::string& sharedStrings, const std::string& styles) {
  const std::string workbook = "<workbook xmlns:r=\"r\"><sheets><sheet name=\"" + sheetName +
                               "\" r:id=\"rId1\"/></sheets></workbook>";
  return WriteZip(path, {{"xl/worksheets/sheet1.xml", sheetXml},
                         {"xl/sharedStrings.xml", sharedStrings},
                         {"xl/styles.xml", styles},
                         {"xl/workbook.xml", workbook},
                         {"xl/_rels/workbook.xml.rels", kWorkbookRels}});
}

}  // namespace fuzz
