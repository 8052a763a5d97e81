// Pieces the info readers share: recording texts for the terminal, the
// counts, numbers and lists of the text output, the damage marks of the
// JSON, and the choice between JSON, summary and full text.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "info.h"
#include "support/fixed_text.h"
#include "workbench/host/encoding.h"

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

// A number as the shortest text that reads back to it; "?" for null.
inline std::string NumberText(const Json& value) {
  if (value.is_null()) return "?";
  const double x = value.get<double>();
  char text[32];
  for (int digits = 1; digits < 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, x);
    if (std::strtod(text, nullptr) == x) return text;
  }
  std::snprintf(text, sizeof text, "%.17g", x);
  return text;
}

// "every 4e-05 s (25 kHz)": a sampling interval and its rate.
inline std::string SamplingText(double interval) {
  char rate[48] = "";
  if (interval > 0.0) {
    const double hz = 1.0 / interval;
    if (hz >= 1000.0)
      std::snprintf(rate, sizeof rate, " (%g kHz)", hz / 1000.0);
    else
      std::snprintf(rate, sizeof rate, " (%g Hz)", hz);
  }
  return "every " + NumberText(interval) + " s" + rate;
}

// The values of a list, each once, in the order they first appear.
template <class T>
std::vector<T> Distinct(const std::vector<T>& values) {
  std::vector<T> once;
  for (const T& v : values)
    if (std::find(once.begin(), once.end(), v) == once.end()) once.push_back(v);
  return once;
}

// "a" or "a to b" (smallest and largest) of numbers, as `format` prints them.
inline std::string RangeText(const std::vector<double>& values, const char* format) {
  if (values.empty()) return "?";
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  char a[48], b[48];
  std::snprintf(a, sizeof a, format, *lo);
  std::snprintf(b, sizeof b, format, *hi);
  return *lo == *hi ? std::string(a) : std::string(a) + " to " + b;
}

// Texts joined by ", ".
inline std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& t : texts) joined += (joined.empty() ? "" : ", ") + t;
  return joined;
}

// The damage of an item for its JSON description: "damaged" always, and
// "damage" (why) when it is damaged.
inline void MarkDamage(Json& item, const std::string& why) {
  item["damaged"] = !why.empty();
  if (!why.empty()) item["damage"] = why;
}

// Prints a recording's description as JSON or as text: the summary, or
// with --full every sweep and trace.
template <class PrintSummary, class PrintFull>
void Show(const Json& doc, const InfoOptions& options, PrintSummary summary, PrintFull full) {
  if (options.json)
    InfoPrintJson(doc.dump(1));
  else if (options.full)
    full(doc);
  else
    summary(doc);
}

// The end of a series' summary: its sampling, point counts and sweep
// durations (when it has traces), then a line for each damaged item.
inline void PrintSamplingAndDamage(const std::vector<double>& intervals,
                                   const std::vector<double>& points,
                                   const std::vector<double>& seconds,
                                   const std::vector<std::string>& damaged) {
  if (!intervals.empty()) {
    std::vector<std::string> sampling;
    for (double dt : Distinct(intervals)) sampling.push_back(SamplingText(dt));
    std::printf("    sampled %s, %s points, %s s per sweep\n", Joined(sampling).c_str(),
                RangeText(points, "%.0f").c_str(), RangeText(seconds, "%g").c_str());
  }
  for (const std::string& d : damaged) std::printf("    damaged: %s\n", d.c_str());
}

// The summary's groups, each followed by its series as `series` prints them.
inline void PrintGroups(const Json& doc, void (*series)(const Json&)) {
  for (const Json& g : doc["groups"]) {
    std::printf("group %d%s: %s\n", g["group"].get<int>(), Quoted(g["label"]).c_str(),
                Count(g["series_count"], "series").c_str());
    for (const Json& s : g["series"]) series(s);
  }
}

}  // namespace kwt::info
