#pragma once
// The KML drive-test layer as a binned grid: one square polygon per occupied
// bin, coloured by the band its statistic falls into, carrying the bin's
// figures as a typed attribute table (a Schema and SchemaData, which Google
// Earth shows in the balloon and GIS readers take as fields).
#include "analysis/Grid.h"
#include "common/Progress.h"
#include "kml/DriveTestLegend.h"
#include "kml/KmlWriter.h"

namespace tessaro {

struct KmlDriveTestParams;

// The attribute names every bin carries, in order, in both grid layers.
inline constexpr const char* kGridFieldNames[] = {"samples",    "mean_value", "min_value", "max_value",
                                                  "stat_value", "utm_zone",   "grid_east", "grid_north"};

// Writes the whole document, a step of `progress` per bin; returns the bins
// per band.
BandCounts WriteKmlDriveTestGrid(const KmlDriveTestParams& p, const GridResult& grid, KmlWriter& out,
                                 Progress& progress);

// The generate command with a grid: reads and bins the sheet, writes and
// commits p.output, notes the rows left out and the grid. Throws Error.
void GenerateKmlDriveTestGrid(const KmlDriveTestParams& p, Progress& progress);

}  // namespace tessaro
