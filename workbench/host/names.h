// Names of host objects.  A standard name starts with a letter and holds
// letters, digits and "_"; a liberal name may hold any printable character
// but " ' : ; and must be written in single quotes on a command line.
// Names are at most 31 bytes and compared without regard to ASCII case.
#pragma once

#include <string>
#include <string_view>

namespace kwt {

// ASCII case-insensitive equality of names.
bool SameName(std::string_view a, std::string_view b);
// True for "abc_1" and the like.
bool IsStandardName(std::string_view name);
// True for a name the host accepts (standard or liberal), at most 31 bytes.
bool IsValidName(std::string_view name);
// The name as it must stand on a command line.
std::string QuoteNameIfNeeded(std::string_view name);
// Wildcard match ('*' matches any run), ASCII case-insensitive.
bool MatchesPattern(std::string_view name, std::string_view pattern);

}  // namespace kwt
