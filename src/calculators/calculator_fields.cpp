#include "calculators/calculator_fields.h"

#include "calculators/prefixed_number.h"

namespace kwt {

// ParsePrefixedNumber leaves NaN behind on failure; the fields promise 0,
// which is what the calculators take for an empty field.
bool GetPrefixedField(DialogHandle dialog, int32_t control, double* value) {
  if (ParsePrefixedNumber(DialogGetText(dialog, control), value)) return true;
  *value = 0.0;
  return false;
}

// An exact 0 shows as an empty field rather than as "  0.00 y".
std::optional<double> PrefixedFieldValue(DialogHandle dialog, int32_t control) {
  double v;
  if (!GetPrefixedField(dialog, control, &v)) return std::nullopt;
  return v;
}

std::optional<double> PlainFieldValue(DialogHandle dialog, int32_t control) {
  double v;
  if (!GetPlainField(dialog, control, &v)) return std::nullopt;
  return v;
}

void SetPrefixedField(DialogHandle dialog, int32_t control, double value) {
  DialogSetText(dialog, control, value == 0.0 ? std::string() : FormatPrefixedNumber(value));
}

bool GetPlainField(DialogHandle dialog, int32_t control, double* value) {
  return ParsePlainNumber(DialogGetText(dialog, control), value);
}

void SetPlainField(DialogHandle dialog, int32_t control, double value) {
  DialogSetText(dialog, control, FormatPlainNumber(value));
}

}  // namespace kwt
