// Numbers with an SI prefix letter, as the calculator fields show them
// ("1.5m" for 1.5e-3), and the plain numbers of the other fields.
//
// Texts are the host's bytes (Windows-1252): the micro sign is the byte
// 0xB5.  Units never stand in a field; the history lines add the unit after
// the prefix ("  1.00 mM").
#pragma once

#include <string>
#include <string_view>

namespace kwt {

// The micro sign as written into fields and history lines.
inline constexpr char kMicroSign = '\xB5';

// Reads a prefixed number.  Digits accumulate left to right, "." or ","
// starts the fraction (a later one changes nothing), "-" anywhere makes the
// number negative, blanks and tabs are skipped, and a prefix letter scales
// the value and ends the reading (what follows is ignored: "10uM" is 1e-5).
// Prefixes: y z a f p n u m c % d h k M G T P E Z Y, micro also as the bytes
// 0xB5 and 0xBA; "d" is deci, "da" deca.  Returns false, with *value NaN,
// for any other character, for an empty text and for a text without a
// digit ("k", "-", "abc").
bool ParsePrefixedNumber(std::string_view text, double* value);

// Writes a number as "%6.2f %c": the magnitude scaled into [1, 1000) and its
// prefix ("  2.50 m"), with "-" in front of a negative number, a blank
// prefix for [1, 1000) and for values that are not finite, y for every
// magnitude below 1e-21 (0 included) and Y from 1e24 up.
std::string FormatPrefixedNumber(double value);

// Reads a plain decimal number ("7.2", "-1e-3", " 150 "): leading blanks
// are skipped and the text after the number is ignored.  Returns false with
// *value 0 when no number starts the text.
bool ParsePlainNumber(std::string_view text, double* value);

// "%g" of the value, as plain-number fields show it.
std::string FormatPlainNumber(double value);

}  // namespace kwt
