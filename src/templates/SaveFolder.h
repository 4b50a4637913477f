#pragma once
// The save folder: sector templates (*.txt), drive-test templates (dt/*.txt)
// and icons (icon/*.gif).
//
// Where it is depends on how the program was put on the machine:
// - installed (the executable sits in <prefix>/bin and <prefix>/share/tessaro/
//   holds the shipped save folder): the per-user folder
//   ($XDG_DATA_HOME or ~/.local/share)/tessaro/save/, created and seeded with
//   a copy of the shipped folder the first time it is used;
// - a build tree or a portable copy ("<folder of the executable>/save/"
//   exists and is writable): that folder;
// - otherwise (a read-only portable copy, a lone executable): the per-user
//   folder, seeded from "<folder of the executable>/save/" when that exists.
#include <string>
#include <vector>

namespace tessaro {

// The folder of the running executable, "/"-separated, no trailing "/".
std::string ExecutableFolder();

// The per-user data folder: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share, else the temporary folder. No trailing "/".
std::string UserDataFolder();

// Where the save folder of an executable in `exeFolder` is.
struct SavePlace {
  std::string folder;  // absolute, ending in "/"
  std::string seed;    // copied into `folder` when that does not exist yet; empty for none
};
SavePlace ChooseSaveFolder(const std::string& exeFolder, const std::string& userDataFolder);

// Creates `place.folder` with its dt/ and icon/ subfolders. A folder that did
// not exist before gets a copy of everything in `place.seed` first; an
// existing one is left as its user keeps it (deleted icons stay deleted).
void PrepareSaveFolder(const SavePlace& place);

// Absolute save folder path ending in "/". Resolved and prepared on first call.
std::string SaveFolder();
// Overrides the save folder for this process (the CLI's --save-dir); a
// relative path is made absolute. Creates it when missing.
void SetSaveFolder(const std::string& folder);

// Names (extension included) of the files in `folder` whose name ends with
// `extension` (".txt", ".gif"), in directory order. Empty when the folder is
// missing.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& extension);

}  // namespace tessaro
