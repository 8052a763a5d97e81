// A table window as comma-separated values (UTF-8, "\n" line ends).
//
// The first row names the columns; a column's header carries its units in
// parentheses ("w_mean (A)").  Before each run of columns that share one x
// scaling comes an x column with the x values of its rows ("x (s)"; with
// several runs "x of <first column>").  Numbers are written in the
// shortest form that reads back to the same value in the wave's own
// precision; NaN as "NaN", infinities as "Inf" and "-Inf"; rows past the
// end of a shorter wave are left empty.  Complex waves take two columns
// (".re" and ".im"); text waves are quoted where they need it.
#pragma once

#include <string>
#include <vector>

#include "workbench/host/windows.h"

namespace kwt {

// The table's columns as CSV text.
std::string TableCsv(const Window& table);

// The headers of that CSV's columns, unquoted (UTF-8).
std::vector<std::string> TableCsvHeaders(const Window& table);

}  // namespace kwt
