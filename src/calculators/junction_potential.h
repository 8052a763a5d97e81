// The liquid junction potential between pipette and bath solution, by the
// Henderson equation, from the concentrations, valences and mobilities of
// up to ten ions.  Rows 1 to 8 take their ion from the table; rows 9 and 10
// are custom ions.  The potential is that of the bath relative to the
// pipette.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kwt {

struct IonEntry {
  std::string_view name;      // "-" for a separator
  std::string_view valence;   // as the row's field shows it; empty for a separator
  std::string_view mobility;  // relative to potassium
};

// The 52 table entries in popup order.
std::span<const IonEntry> IonTable();

inline constexpr int kJunctionRows = 10;
inline constexpr int kTableRows = 8;  // rows with an ion popup
// The popup items: "_none_", "-", then every table name; item n from 3
// is table entry n - 2.
inline constexpr int32_t kIonFirstEntryItem = 3;

// The table entry that popup item `item` shows, or null for "_none_", "-"
// and numbers outside the popup.
const IonEntry* IonForItem(int32_t item);

// One row as the dialog holds it; numbers are 0 where a field does not
// read.
struct JunctionRow {
  bool included = false;
  int32_t selection = 1;   // the ion popup's item (rows 1 to 8 only)
  double pipette = 0.0;    // mM
  double bath = 0.0;       // mM
  double valence = 0.0;
  double mobility = 0.0;   // relative to potassium
};

struct JunctionInput {
  std::array<JunctionRow, kJunctionRows> rows;
  std::optional<double> temperature;  // degrees C; nullopt when it does not read
};

struct JunctionResult {
  bool possible = false;
  double potential = 0.0;             // mV
  double temperature = 0.0;           // degrees C, as used
  bool temperatureChanged = false;    // the default was taken; it goes back into its field
  int rowsUsed = 0;
  // Why there is no potential, for the user; empty when there is one.
  std::string_view whyNot;
};

// Computes the potential.  Returns whether one exists: at least one row
// used, a positive ratio of the pipette and bath sums, non-zero sums in
// the bath and in the difference, and a temperature above absolute zero.
bool CalculateJunctionPotential(const JunctionInput& input, JunctionResult* result);

// The history text: the heading, one line per row used, then the
// potential or " Calculation not possible!", each line ending in "\r".
std::string JunctionPotentialHistory(const JunctionInput& input, const JunctionResult& result);

}  // namespace kwt
