#pragma once
// The save folder: sector templates (*.txt), drive-test templates (dt/*.txt)
// and icons (icon/*.gif).
//
// It is "<folder of the executable>/save/" when that exists and is writable
// (a portable install), otherwise the per-user data folder
// ($XDG_DATA_HOME or ~/.local/share)/tessaro/save/, created on first use and
// seeded with the icons the program ships.
#include <string>
#include <vector>

namespace tessaro {

// The folder of the running executable, "/"-separated, no trailing "/".
std::string ExecutableFolder();

// Absolute save folder path ending in "/". Resolved on first call.
std::string SaveFolder();
// Overrides the save folder for this process (the CLI's --save-dir); a
// relative path is made absolute. A missing folder is not created here: it
// is created when a template is saved into it, so a command that only reads
// leaves no folder behind.
void SetSaveFolder(const std::string& folder);

// Names (extension included) of the files in `folder` whose name ends with
// `extension` (".txt", ".gif"), in directory order. Empty when the folder is
// missing.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& extension);

}  // namespace tessaro
