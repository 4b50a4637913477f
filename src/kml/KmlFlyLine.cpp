#include "kml/KmlFlyLine.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <future>
#include <optional>
#include <string_view>
#include <vector>

#include "common/RandomColour.h"
#include "common/Text.h"
#include "geodesy/DestinationPoint.h"
#include "kml/KmlWriter.h"

namespace tessaro {

std::string FlyLineKmlColour(ColourValue colour) { return "<color>7d" + zeRo(HexText(colour)) + "</color>"; }

namespace {

// Every placemark starts so; its line colour follows at once, always as
// many bytes as LineMaker's stand-in ("<color>7dBBGGRR</color>").
constexpr std::string_view kPlacemarkHead = "<Placemark>\r\n<Style>\r\n<LineStyle>\r\n<width>1</width>\r\n";

// Lines are made in runs of this many: the runs alternate between the
// calling thread and a second one, and are written in order.
constexpr std::size_t kRunLines = 4096;

// The placemarks of a run of lines, each with a stand-in colour: the colour
// depends on the lines before (a new one where the serving identifier
// changes), so it is put in as the run is written.
struct Placemarks {
  std::string text;
  std::vector<std::size_t> ends;  // where each placemark ends in `text`
  std::vector<char> newColour;    // its serving identifier differs from the line before's
  std::exception_ptr error;       // the line after the last one made failed
  bool failedNewColour = false;   // that line failed after its colour was due
};

// What every line of a layer shares; read by both threads, changed by none.
struct LineMaker {
  const FlyLineResult& result;
  std::string altitude;  // escaped
  std::optional<double> radius;
  std::string radiusError;  // the radius box's fault, reported at the first line that needs it
  const Progress& progress;
  std::string stand = FlyLineKmlColour(0);  // the colour each placemark is made with

  // Lines [first, first + kRunLines) in drawing order, up to the first that
  // fails (its error kept, the lines before it made).
  Placemarks make(std::size_t first) const {
    const RecordSet& rows = result.rows;
    const std::size_t last = std::min(result.order.size(), first + kRunLines);
    auto readRadius = [&] {
      if (!radius) throw Error(radiusError);
      return *radius;
    };
    Placemarks out;
    out.text.reserve((last - first) * 330);
    out.ends.reserve(last - first);
    out.newColour.reserve(last - first);
    try {
      std::string previous = first == 0 ? std::string() : rows.at(result.order[first - 1], kServing).text();
      for (std::size_t k = first; k < last; ++k) {
        const std::size_t i = result.order[k];
        progress.checkCancelled();
        const FlyLineRow r = ReadFlyLineRow(rows, i, k, readRadius);
        out.newColour.push_back(r.serving != previous);
        previous = r.serving;
        std::string& block = out.text;
        block += kPlacemarkHead;
        block += stand;
        block += "\r\n</LineStyle>\r\n</Style>\r\n<LineString>\r\n<extrude>2</extrude>\r\n<tessellate>1</tessellate>\r\n"
                 "<altitudeMode>relativeToGround</altitudeMode>\r\n<coordinates>\r\n";
        if (r.directed) {
          if (!AppendKmlPointText(block, r.lat, r.lon, r.azimuth, r.distance))
            throw Error("第 " + std::to_string(k + 1) + " 条飞线：起点无法计算或超出经纬度范围（小区 " +
                        CellPositionText(rows, i, ",") + "）");
        } else {
          AppendXmlEscaped(block, CellPositionText(rows, i, ","));
        }
        block += ',';
        block += altitude;
        block += "\r\n";
        AppendXmlEscaped(block, r.pointLon);
        block += ',';
        AppendXmlEscaped(block, r.pointLat);
        block += ",5\r\n</coordinates>\r\n</LineString>\r\n</Placemark>";
        out.ends.push_back(block.size());
      }
    } catch (...) {
      // A line half made is dropped; a colour it was due is still drawn,
      // as a line that fails only at its start point has drawn it.
      out.text.resize(out.ends.empty() ? 0 : out.ends.back());
      out.failedNewColour = out.newColour.size() > out.ends.size() && out.newColour.back();
      out.newColour.resize(out.ends.size());
      out.error = std::current_exception();
    }
    return out;
  }
};

// Writes runs in order: each placemark gets its colour, drawn from the
// program's sequence where the serving identifier changes, as one block of
// CR LF separated lines.
class RunWriter {
 public:
  RunWriter(ColourValue first, KmlWriter& writer, const LineMaker& maker, Progress& progress)
      : colourText_(FlyLineKmlColour(first)), writer_(writer), stand_(maker.stand), progress_(progress) {}

  void write(Placemarks& run) {
    std::size_t start = 0;
    for (std::size_t m = 0; m < run.ends.size(); ++m) {
      progress_.advance();
      if (run.newColour[m]) {
        colourText_ = FlyLineKmlColour(NewRandomColor());
        if (colourText_.size() != stand_.size()) throw Error("飞线颜色“" + colourText_ + "”长度不对");
      }
      run.text.replace(start + kPlacemarkHead.size(), colourText_.size(), colourText_);
      writer_.line(std::string_view(run.text).substr(start, run.ends[m] - start));
      start = run.ends[m];
    }
    if (run.failedNewColour) NewRandomColor();
    if (run.error) std::rethrow_exception(run.error);
    progress_.checkCancelled();
  }

 private:
  std::string colourText_;
  KmlWriter& writer_;
  const std::string& stand_;
  Progress& progress_;
};

// Makes and writes every line: even runs here, odd ones on a second thread
// one run ahead. Lifetimes: the future is local to this function, whose
// callers own `maker` (and the rows it reads) and `out`; when a failure or a
// stop unwinds it, the destructor of a std::async future waits for its
// thread, so the second thread never outlives what it reads.
void MakeAndWriteRuns(const LineMaker& maker, std::size_t lines, RunWriter& out) {
  std::future<Placemarks> odd;
  auto makeOdd = [&](std::size_t first) {
    if (first < lines) odd = std::async(std::launch::async, [&maker, first] { return maker.make(first); });
  };
  makeOdd(kRunLines);
  for (std::size_t first = 0; first < lines; first += kRunLines) {
    Placemarks run;
    if ((first / kRunLines) % 2 == 0) {
      run = maker.make(first);
    } else {
      run = odd.get();
      makeOdd(first + 2 * kRunLines);
    }
    out.write(run);
  }
}

void Generate(const KmlFlyLineParams& p, const std::function<FlyLineResult()>& query, Progress& progress) {
  const ColourValue colour = NewRandomColor();
  KmlWriter writer(p.output, p.outputOptions, p.workbook);
  FlyLineResult result = query();
  writer.prologue();
  writer.element("name", p.inputs.pointSheet + "飞线");
  const std::size_t lines = result.order.size();
  progress.setMaximum(static_cast<double>(lines));

  LineMaker maker{result, XmlEscape(p.altitude), std::nullopt, {}, progress};
  try {
    maker.radius = RadiusFromBox(p.radius);
  } catch (const Error& e) {
    maker.radiusError = e.what();
  }
  RunWriter runs(colour, writer, maker, progress);
  MakeAndWriteRuns(maker, lines, runs);
  writer.epilogue();
  // Every line is written: the rows' memory goes before a regionated layer
  // builds its tiles.
  result.rows.close();
  result.order = {};
  writer.commit();
  if (result.skipped.count) progress.addNote(SkippedRowsNote(result.skipped));
}

}  // namespace

void GenerateKmlFlyLine(const KmlFlyLineParams& params, Progress& progress) {
  Generate(
      params,
      [&] {
        LoadProgress scope(progress);
        return LoadFlyLine(params.workbook, params.inputs);
      },
      progress);
}

void GenerateKmlFlyLine(const KmlFlyLineParams& params, const FlyLineResult& rows, Progress& progress) {
  Generate(params, [&] { return rows; }, progress);
}

}  // namespace tessaro
