// Reading and writing the number fields of the calculator dialogs.
#pragma once

#include <cstdint>
#include <optional>

#include "host/dialog.h"

namespace kwt {

// Reads a field with ParsePrefixedNumber.  Returns whether it read; *value
// is 0 when it did not.
bool GetPrefixedField(DialogHandle dialog, int32_t control, double* value);
// Writes FormatPrefixedNumber(value) into a field, or an empty text when
// the value is exactly 0.
void SetPrefixedField(DialogHandle dialog, int32_t control, double value);

// The value of a prefixed-number field, or nullopt when it does not read
// (a typed 0 is a value).
std::optional<double> PrefixedFieldValue(DialogHandle dialog, int32_t control);
// The same for a plain-number field.
std::optional<double> PlainFieldValue(DialogHandle dialog, int32_t control);

// Reads a field with ParsePlainNumber; *value is 0 when it did not read.
bool GetPlainField(DialogHandle dialog, int32_t control, double* value);
// Writes "%g" of the value into a field.
void SetPlainField(DialogHandle dialog, int32_t control, double value);

}  // namespace kwt
