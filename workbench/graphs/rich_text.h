// The escape codes of annotation and axis-label texts, read into lines of
// styled runs.  The codes understood:
//
//   \s(trace)   the trace's symbol (a short piece of its line or marker)
//   \JL \JC \JR left, centred, right lines from here on
//   \Znn        font size nn points
//   \fnn        style bits: 1 bold, 2 italic, 4 underline (\f00 plain)
//   \K(r,g,b)   text colour, 16-bit components
//   \S \B \M    superscript, subscript, back to normal
//   \\          a backslash
//
// Line breaks are "\r", "\n" or both.  Any other backslash code is shown
// as written, so that nothing typed is lost from the picture.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "workbench/graphs/graph_model.h"

namespace kwt {

struct TextStyle {
  double size = 10;  // points
  bool bold = false, italic = false, underline = false;
  Rgb colour;
  int shift = 0;     // 1 superscript, -1 subscript
  bool operator==(const TextStyle&) const = default;
};

struct TextRun {
  std::string text;    // UTF-8
  std::string symbol;  // non-empty: the run is the symbol of this trace
  TextStyle style;
};

struct TextLine {
  std::vector<TextRun> runs;
  char justify = 'L';  // 'L', 'C' or 'R'
};

// Reads UTF-8 text with escape codes; `base` is the style before any code.
std::vector<TextLine> ParseRichText(std::string_view utf8, const TextStyle& base);

}  // namespace kwt
