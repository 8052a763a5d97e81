// The patcher's calculator: 32 small formulas in five categories (cell
// geometry, Ohm's law, whole-cell quantities, reversal potentials,
// solutions).  A formula takes up to three parameters and gives a result;
// some also complete their parameters.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kwt {

inline constexpr int32_t kPatcherFormulaCount = 32;

struct PatcherFormula {
  std::string_view result;
  std::string_view parameters[3];  // empty where the formula has none
  std::string_view units[3];       // host bytes: 0xB5 for micro
  std::string_view resultUnit;
};

// Formula `index` (0 to 31); null outside.
const PatcherFormula* FindPatcherFormula(int32_t index);

struct PatcherCategory {
  std::string_view name;
  std::string_view quantities;  // the popup list, ";"-separated; "-" separates
  int32_t firstFormula;         // the formula of the list's first quantity
};

// The five categories in popup order.
std::span<const PatcherCategory> PatcherCategories();
// The quantity list of a category (0-based) as popup items.
std::vector<std::string> PatcherQuantityItems(int32_t category);
// The formula that item `item` (from 1) of a category's list selects; -1
// for a separator or a number outside the list.
int32_t PatcherFormulaAt(int32_t category, int32_t item);
// The item (from 1) of the category's list that selects `formula`; 0 when
// none does.
int32_t PatcherItemOf(int32_t category, int32_t formula);

// Geometry (0 to 3) and reversal potentials (18 to 25) take plain numbers,
// where an empty field is a missing value (NaN); the others take prefixed
// numbers, where an empty field is 0.
bool PatcherUsesPlainNumbers(int32_t formula);

// Parameters in, completed parameters and the result out.  NaN marks a
// value that is missing or that the formula leaves unknown.
struct PatcherValues {
  double parameters[3];
  double result;
};

// Computes formula `formula` on values->parameters; returns false when it
// cannot (a missing or zero value it divides by, any whole-cell quantity,
// an infinite result), leaving *values unchanged and, when `whyNot` is
// given, saying why in terms of the formula's parameters.
bool CalculatePatcherFormula(int32_t formula, PatcherValues* values,
                             std::string* whyNot = nullptr);

// The history text: "Patcher's Calculator\r", then parameters 1 to 3 and
// the result, leaving out NaN values, each line ending in "\r".
std::string PatcherHistory(int32_t formula, const PatcherValues& values);

}  // namespace kwt
