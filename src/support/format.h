// printf-style formatting into std::string.  The module's texts (notes,
// notices, command lines) are specified as C format strings; formatting them
// here keeps every buffer sized from the real length.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace kwt {

// The text that snprintf(fmt, ...) would write, whole.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args);

// Appends the formatted text to `out`.
void AppendFormat(std::string& out, const char* fmt, ...)
    __attribute__((format(printf, 2, 3)));

// A count or byte position with thousands grouped by commas: "41,212".
std::string Grouped(uint64_t value);

}  // namespace kwt
