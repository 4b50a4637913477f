#pragma once
// Sector settings templates: the drawing parameters of the KML sector window
// saved as NAME.txt in the save folder. Nine lines, CR LF, code page 936:
// opacity, outline width, label scale, radius, altitude and half-power angle
// as typed, then the outline, fill and label colours as decimal numbers with
// a blank before and after (" 12648447 ").
#include <cstddef>
#include <string>
#include <vector>

#include "common/Colour.h"

namespace tessaro {

struct SectorSettings {
  std::string opacity = "70%";     // Text2
  std::string outlineWidth = "2";  // Text3
  std::string labelScale = "0.8";  // Text4
  std::string radius = "80";       // Text5
  std::string altitude = "5";      // Text7
  std::string beamwidth = "35";    // Text8
  ColourValue outlineColour = 0xC0FFFF;  // Command3
  ColourValue fillColour = 0x80C0FF;     // Command7
  ColourValue labelColour = 0xC0FFFF;    // Command8
};

// The bytes of a template file (CP936; a character it lacks is written "?").
std::string SectorTemplateBytes(const SectorSettings& settings);

// Reads template bytes (CP936, or UTF-8 where they are not valid CP936).
// Throws Error naming `fileName` when there are fewer than nine lines or a
// colour line is not a colour number.
SectorSettings ParseSectorTemplate(const std::string& bytes, const std::string& fileName);

// Empty when `name` is a usable template name; otherwise the reason it is
// refused (it would leave the save folder: "/", "\", "." or "..").
std::string TemplateNameProblem(const std::string& name);

// Writes folder + name + ".txt" (the folder is created when missing) and
// returns its path. Throws Error for a refused name or a write failure.
std::string SaveSectorTemplate(const std::string& folder, const std::string& name, const SectorSettings& settings);

// The largest template file read; the real ones take a few dozen bytes.
inline constexpr std::size_t kMaxTemplateBytes = 64 * 1024;

// Reads folder + fileName (fileName includes ".txt"): a regular file of at
// most kMaxTemplateBytes. Throws Error naming the file.
SectorSettings LoadSectorTemplate(const std::string& folder, const std::string& fileName);

// The template file names (with ".txt") in directory order.
std::vector<std::string> ListSectorTemplates(const std::string& folder);

// Deletes folder + fileName. Throws Error naming the file when it cannot.
void DeleteSectorTemplate(const std::string& folder, const std::string& fileName);

}  // namespace tessaro
