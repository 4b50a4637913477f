#pragma once
// What the layer commands share beyond argument parsing: the colour option,
// the default output name, the drive-test legend and inputs, the fly-line
// inputs, and one way to run a layer command and report its end.
#include <functional>
#include <string>
#include <vector>

#include "analysis/Category.h"
#include "analysis/Grid.h"
#include "cli/Args.h"
#include "common/Colour.h"
#include "common/LayerMessages.h"
#include "kml/KmlWriter.h"
#include "query/FlyLine.h"
#include "templates/ThresholdLegend.h"

namespace tessaro::cli {

// Runs the body of a layer command, which returns the written paths: on
// success the completion message and the paths (status 0); any failure the
// failure message and its reason (status 1). Bad usage (UsageError) and a
// stopped command (Cancelled) pass on to main.
int RunLayerCommand(const LayerMessages& messages, const std::function<std::vector<std::string>()>& body);

// A colour option as a decimal value or "#RRGGBB"; `fallback` when not
// given. Throws UsageError for anything else.
ColourValue ColourOption(const Args& a, const std::string& name, ColourValue fallback);

// `options` and the options every kml-* command has beyond the windows:
// --decimals N, and --regionate where `regionate` says the command offers it.
std::vector<OptionSpec> WithKmlOutputOptions(std::vector<OptionSpec> options, bool regionate);
// Their values. Throws UsageError for a --decimals that is not a whole
// number from 0 to 15.
KmlOutputOptions KmlOutputOptionValues(const Args& a);
// The extension of the name proposed when -o is left out: a regionated
// layer is a KMZ.
std::string KmlExtension(const KmlOutputOptions& options);

// "a,b,c" split at every comma.
std::vector<std::string> SplitCommas(const std::string& text);

// -o left out: the name the window proposes for `sheet` (`extension`
// appended), in the workbook's folder; a file name the window's rule does not
// cover (".XLSX", other formats) gets the stem in place of the cut name. The
// sheet goes in as FileNamePart gives it, so the path stays in that folder.
std::string DefaultOutput(const std::string& book, const std::string& sheet, const std::string& extension);

// A MIF output as the base of its pair: a trailing ".mif" dropped.
std::string MifBase(std::string out);

// --colour-by C and --mod N; --mod alone is bad usage. The modulus itself is
// checked by the layer, as a window's box would be.
CategoryOption CategoryOptionOf(const Args& a);

namespace drivetest {

// --grid M and --stat S; an unknown statistic, or --stat without --grid, is
// bad usage. The size itself is checked by the layer, as a window's box would be.
GridOption GridOptionOf(const Args& a);

// The sheet (the first one when not given) and the columns of the
// drive-test pre-selection for the options not given.
struct Inputs {
  std::string book, sheet, lon, lat, value;
};
Inputs ResolveInputs(const Args& a);

// --template, --bounds and --colours onto a legend and the scale box.
void ApplyLegendOptions(const Args& a, ThresholdLegend& legend, std::string& scale);

}  // namespace drivetest

// The fly-line window's inputs from the command line.
struct FlyLineCommandInputs {
  std::string book;
  FlyLineInputs inputs;
  std::string proposedName;  // in the workbook's folder
};
std::vector<OptionSpec> FlyLineOptions(bool withAltitude);
// Reads sheets and columns as the window does after its sheet choices; the
// provider's errors propagate as Error.
FlyLineCommandInputs ReadFlyLineArgs(const Args& a, const std::string& extension);

}  // namespace tessaro::cli
