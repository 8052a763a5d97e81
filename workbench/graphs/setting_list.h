// Reading the settings that graph commands carry as text:
// "axisEnab(l1)={0.0000,0.3200},freePos(l1)=0, lblPos(l1)=60",
// "rgb('my wave'#1)=(39321,0,0)", "xcoord=prel,ycoord=l1,dash=3".
//
// Each item is a keyword, an optional target in parentheses (a trace or an
// axis, quoted or not, with an optional "#n" instance) and an optional
// value: a scalar, a (parenthesised) list or a {braced} list.  The reader
// only splits and unquotes; what a keyword means is its user's business.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kwt {

struct SettingValue {
  enum class Kind { kNone, kScalar, kParen, kBrace };
  Kind kind = Kind::kNone;
  std::vector<std::string> items;  // scalars as written (names unquoted)
};

struct SettingItem {
  std::string key;     // as written
  bool hasTarget = false;
  std::string target;  // unquoted name, with "#n" when given
  SettingValue value;
  std::string text;    // the item as written, for messages
};

// Splits `text` into items.  Returns false, with the items read before the
// fault and `*bad` set to the text it could not read, on a malformed item;
// the items after a malformed one are read too.
bool ReadSettingList(std::string_view text, std::vector<SettingItem>* items, std::string* bad);

// A plain number: decimal or exponent form with an optional sign, or NaN,
// Inf, -Inf.  A single number in parentheses, "(2)", counts too.
bool ParseSettingNumber(std::string_view text, double* value);

// The value as one number (a scalar, or a one-item list).
bool SettingNumber(const SettingValue& value, double* number);

// Splits at commas outside (), {} and quotes; blanks around parts trimmed.
std::vector<std::string> SplitTopLevel(std::string_view text, char separator = ',');

// Removes one pair of enclosing single quotes from a name ("'a b'" -> "a b"),
// keeping a "#n" that follows the closing quote.
std::string UnquoteName(std::string_view text);

}  // namespace kwt
