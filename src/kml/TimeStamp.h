#pragma once
// The time stamps of drive-test points: a cell of the time column as the
// ISO 8601 <when> of a KML TimeStamp.
//
// A cell holds a date and a time ("2024-03-01 09:30:05", "2024/3/1 9:30",
// "2024-03-01T09:30:05.250+08:00"), a date alone, or only a time of day
// ("09:30:05", as many drive-test exports hold it), which takes the date
// given for the run. A spreadsheet number is a serial day; below 1 it is a
// time of day. Only real dates and times are taken: year 1..9999, month
// 1..12, a day the month has (leap years counted), hour 0..23, minute and
// second 0..59, and after the time nothing but a fraction of a second and a
// zone (Z or +HH:MM / -HH:MM). Anything else is refused, because a <when> no
// reader accepts breaks the viewer's time slider for the whole layer.
#include <optional>
#include <string>

#include "source/Provider.h"

namespace tessaro {

// The forms a time column may hold, as the messages name them.
inline constexpr const char* kTimeForms = "应为 YYYY-MM-DD HH:MM:SS；只有时刻（HH:MM:SS）时须另给日期";

// A date given for a run ("YYYY-MM-DD", "/" allowed between the parts, one
// or two digits of month and day) as "YYYY-MM-DD"; nothing when it is not a
// real day.
[[nodiscard]] std::optional<std::string> DateOption(const std::string& text);

// The <when> of a time cell; nothing for an empty cell. `date` ("YYYY-MM-DD"
// as DateOption gives it, or empty) completes a time of day. Throws Error
// saying what is wrong and which form is expected.
std::optional<std::string> WhenText(const Value& v, const std::string& date = {});

// Before a run with a time column: throws Error when `date` is given and is
// not a real day, and otherwise reads the time cell of every row the layer
// draws (a usable position, not at 0,0) in sheet order and throws Error
// naming the sheet row of the first that WhenText refuses.
void CheckTimeColumn(Connection& connection, const std::string& sheet, const std::string& lon, const std::string& lat,
                     const std::string& time, const std::string& date);

}  // namespace tessaro
