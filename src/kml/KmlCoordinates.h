#pragma once
// Coordinates as a KML layer writes them, rounded to fewer decimals on
// request (--decimals): a drive-test position read as 113.2645127 costs as
// many bytes as its digits, and six decimals are already 0.1 m.
#include <string>
#include <string_view>

namespace tessaro {

// `number` (a decimal text such as "-113.26451") rounded to at most
// `decimals` decimals, halves away from zero, trailing zeros of the fraction
// and a bare "." dropped ("23.10004" at 3 gives "23.1", "-0.0004" gives "0").
// A text with no more decimals than that is returned as it is; so is a text
// that is not a number. An exponent form ("1.5e-05") is rounded by value.
std::string RoundDecimalText(std::string_view number, int decimals);

// Appends the content of a <coordinates> element with the longitude and
// latitude of every "lon,lat[,alt]" tuple rounded (RoundDecimalText); the
// altitudes, blanks and line breaks are kept as they are.
void AppendRoundedCoordinates(std::string& out, std::string_view content, int decimals);

// Rounds the coordinates in a stream of KML text passed in pieces (lines):
// only what lies inside <coordinates> elements changes, and an element may
// span pieces.
class CoordinateRounder {
 public:
  explicit CoordinateRounder(int decimals) : decimals_(decimals) {}
  // The piece with its coordinates rounded; valid until the next call.
  std::string_view apply(std::string_view piece);

 private:
  int decimals_;
  bool inside_ = false;
  std::string out_;
};

}  // namespace tessaro
