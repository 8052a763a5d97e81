// Pieces the info readers share: recording texts for the terminal, and the
// counts and names of the text output.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "support/fixed_text.h"
#include "workbench/encoding.h"

namespace kwt::info {

using Json = nlohmann::ordered_json;

// A text field of the recording (Windows-1252) for the terminal, without
// the blanks that pad it.
template <size_t N>
std::string Utf8(const char (&field)[N]) {
  std::string_view text = FieldText(field);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return Cp1252ToUtf8(text);
}

// "1 sweep", "2 sweeps"; "series" is the same either way.
inline std::string Count(const Json& n, const char* noun) {
  const int count = n.get<int>();
  std::string text = std::to_string(count) + " " + noun;
  if (count != 1 && text.back() != 's') text += 's';
  return text;
}

// A text name in quotes, or nothing when it is empty.
inline std::string Quoted(const Json& text) {
  const std::string s = text.get<std::string>();
  return s.empty() ? std::string() : " \"" + s + "\"";
}

// Prints a recording's description as JSON or, through `printText`, as
// text.
template <class PrintText>
void Show(const Json& doc, bool json, PrintText printText) {
  if (json)
    std::printf("%s\n", doc.dump(1).c_str());
  else
    printText(doc);
}

}  // namespace kwt::info
