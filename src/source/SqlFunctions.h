#pragma once
// The functions this program adds to the SQL engine, so that the layers' SQL
// text reads as the workbook provider it was written for would read it:
//   left(x, n)            the first n characters (not bytes) of x's text form;
//                         registered under kLeftFunction, as LEFT is a keyword
//                         of the engine (PrepareSql rewrites the calls);
//   format(x, '0.00')     x rounded half away from zero to as many decimals
//                         as the pattern has zeros after its point ('0': none),
//                         never "-0"; other patterns give x's ordinary text
//                         form, and a text that is no number comes back as is;
//   avg(x)                the mean with a compensated sum, failing on a text
//                         that is not a number rather than counting it as 0;
//   tessaro_position(lon, lat)  1 when the pair is a usable position
//                         (CheckPosition), else 0.
// Texts count as numbers when they read whole as one (blanks around allowed).
// A failing call ends the statement with a message in the user's terms.
// Only src/source/ includes this header.
#include <sqlite3.h>

namespace tessaro::source {

// Registers the functions above on a new connection. The functions keep no
// state between calls, so any thread that owns the connection may run them.
void RegisterSqlFunctions(sqlite3* db);

}  // namespace tessaro::source
