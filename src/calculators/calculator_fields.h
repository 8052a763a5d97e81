// Reading and writing the number fields of the calculator dialogs.
#pragma once

#include <cstdint>

#include "host/dialog.h"

namespace kwt {

// Reads a field with ParsePrefixedNumber.  Returns whether it read; *value
// is 0 when it did not.
bool GetPrefixedField(DialogHandle dialog, int32_t control, double* value);
// Writes FormatPrefixedNumber(value) into a field, or an empty text when
// the value is exactly 0.
void SetPrefixedField(DialogHandle dialog, int32_t control, double value);

// Reads a field with ParsePlainNumber; *value is 0 when it did not read.
bool GetPlainField(DialogHandle dialog, int32_t control, double* value);
// Writes "%g" of the value into a field.
void SetPlainField(DialogHandle dialog, int32_t control, double value);

}  // namespace kwt
