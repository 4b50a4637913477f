#pragma once
// Drive-test templates: named parameter sets shared by the KML and the MIF
// drive-test windows, stored as "<save folder>/dt/NAME.txt".
//
// Twelve lines, CR LF, code page 936:
//   1      the scale box as typed (icon scale in KML, symbol size in MIF)
//   2..6   lower bounds of rows 1..5 as typed
//   7      upper bound of row 5 as typed
//   8..12  colours of rows 1..5 as " VALUE " (decimal, one blank each side)
#include <array>
#include <string>
#include <vector>

#include "common/Colour.h"

namespace tessaro {

struct DriveTestTemplate {
  std::string scale;
  std::array<std::string, 6> bounds;  // lower bounds of rows 1..5, upper bound of row 5
  std::array<ColourValue, 5> colours{};
};

// "<save folder>/dt/".
std::string DriveTestTemplateFolder();

// The file's bytes for a template.
std::string DriveTestTemplateText(const DriveTestTemplate& t);
// Parses a template file's bytes; throws Error (naming `fileName`) when it has
// fewer than twelve lines or a colour line that is not a colour value.
DriveTestTemplate ParseDriveTestTemplate(const std::string& bytes, const std::string& fileName);

// Throws Error with a message for the user when `name` cannot be a template
// name: it holds "/" or "\" or is "." or "..".
void CheckDriveTestTemplateName(const std::string& name);

// Writes "<dt folder>/NAME.txt" (replacing it), creating the folder when
// missing. Returns the path. Throws Error.
std::string SaveDriveTestTemplate(const std::string& name, const DriveTestTemplate& t);

// Reads "<dt folder>/FILENAME" (FILENAME includes ".txt"). Throws Error.
DriveTestTemplate LoadDriveTestTemplate(const std::string& fileName);

// Deletes "<dt folder>/FILENAME"; throws Error when it cannot be deleted.
void DeleteDriveTestTemplate(const std::string& fileName);

// File names (with ".txt") in the dt folder, in directory order. The file
// ".txt" (saved under the empty name) is listed too.
std::vector<std::string> ListDriveTestTemplates();

}  // namespace tessaro
