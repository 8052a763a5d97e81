// Free calcium and magnesium in a solution of up to six buffers
// (chelators, nucleotides, indicators, anions) at a given pH.
//
// Each buffer binds Ca and Mg with apparent constants at the pH in use; the
// free concentrations are found by iterating the mass balance from below
// (free = 0) and from above (free = total) until the two estimates agree
// within the convergence criterion.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "calculators/calculator_message.h"

namespace kwt {

// Columns of the buffer table: stepwise proton constants, then the metal
// constants; CaH and MgH are added to Ca and Mg.
enum BufferConstant { kH1, kH2, kH3, kH4, kKCa, kKMg, kKCaH, kKMgH, kBufferConstants };

struct BufferEntry {
  std::string_view name;                   // "-" for a separator
  double log10K[kBufferConstants];         // decimal logarithms, 1/M
};

// The 25 table entries, in the order the popups list them.
std::span<const BufferEntry> BufferTable();

// The popup items of a buffer row: "_none_", "-", then every table name.
inline constexpr int32_t kBufferNoneItem = 1;
inline constexpr int32_t kBufferFirstEntryItem = 3;

// One of the six rows.
struct BufferRow {
  int32_t selection = kBufferNoneItem;  // popup item
  std::string name;                     // empty when no entry is selected
  double constants[kBufferConstants] = {};  // 10^log10K; all 1 for a separator
  std::optional<double> total;          // M, nullopt when the field does not read
};

// Loads popup item `item` into the row: items from 3 select table entry
// item - 2 (name and constants); "_none_", "-" and numbers outside the
// popup empty the row.  Returns whether the row now holds an entry.
bool SelectBuffer(int32_t item, BufferRow* row);

inline constexpr int kBufferRows = 6;

// What the fields gave; nullopt where a field does not read.
struct FreeCaMgInput {
  std::optional<double> totalCa;  // M
  std::optional<double> totalMg;  // M
  std::array<BufferRow, kBufferRows> rows;
  std::optional<double> convergencePercent;
  std::optional<double> iterations;
  std::optional<double> pH;
  std::optional<double> correction;
};

struct FreeCaMgRowResult {
  bool active = false;     // an entry selected and a total above 0
  double kCa = 0.0;        // apparent constants at the pH in use, 1/M
  double kMg = 0.0;
  double freeBuffer = 0.0;  // M
};

struct FreeCaMgResult {
  // The options as used.  When optionsChecked, each *Changed value was
  // corrected and belongs back in its field.
  bool optionsChecked = false;
  double convergencePercent = 0.0;
  bool convergenceChanged = false;
  double iterations = 0.0;
  bool iterationsChanged = false;
  double correction = 0.0;
  bool correctionChanged = false;
  double pH = 0.0;
  bool pHChanged = false;

  bool caPresent = false;
  bool mgPresent = false;
  double totalCa = 0.0;  // 0 for an absent ion
  double totalMg = 0.0;
  double freeCa = 0.0;  // the middle of the final bracket
  double freeMg = 0.0;
  // The final bracket: the estimates from below and from above.
  double lowCa = 0.0, highCa = 0.0;
  double lowMg = 0.0, highMg = 0.0;
  double pHInUse = 0.0;  // correction - log10 of the proton concentration
  std::array<FreeCaMgRowResult, kBufferRows> rows;
  int64_t passes = 0;
  bool converged = false;
};

// Runs the calculation.  Returns true when free concentrations were
// computed; *message is then empty or the note that the iterations ran out.
// Returns false with the error or note to show otherwise (no ion, no
// buffer, a step that gave no finite number).
bool CalculateFreeCaMg(const FreeCaMgInput& input, FreeCaMgResult* result,
                       CalculatorMessage* message);

// The history text of a computed result, lines ending in "\r".
std::string FreeCaMgHistory(const FreeCaMgInput& input, const FreeCaMgResult& result);

}  // namespace kwt
