#pragma once
// Where a layer's output name goes, the same for every layer window.
//
// The file-name box holds a name the window proposed ("cells_Sheet1.kml") or
// one the user typed. A name that is an absolute path is taken as it is; any
// other name is taken in the folder of the window's own workbook, never in
// the process's current folder (which another window's dialog may have moved).
#include <string>

namespace tessaro {

// The absolute path of `typed` ("/"-separated, "." and ".." folded): `typed`
// itself when absolute, else `typed` inside the folder of `workbook`. With no
// workbook (empty), a relative name is taken in the current folder.
std::string ResolveOutputPath(const std::string& typed, const std::string& workbook);

// The folder part of a path ("/a/b.kml" -> "/a"); "." for a bare name.
std::string FolderOf(const std::string& path);

// Whether an output name asks for a KMZ (it ends in ".kmz", any case).
[[nodiscard]] bool IsKmzName(const std::string& path);

}  // namespace tessaro
