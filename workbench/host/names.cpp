// The host's rules for object names.
#include "workbench/host/names.h"

#include "host/host.h"

namespace kwt {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool IsStandardName(std::string_view name) {
  if (name.empty() || name.size() > static_cast<size_t>(kHostMaxNameLength)) return false;
  if (!IsAlpha(name[0])) return false;
  for (char c : name)
    if (!IsAlpha(c) && !IsDigit(c) && c != '_') return false;
  return true;
}

bool IsValidName(std::string_view name) {
  if (name.empty() || name.size() > static_cast<size_t>(kHostMaxNameLength)) return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '"' || c == '\'' || c == ':' || c == ';') return false;
  }
  // A liberal name may not begin or end with a blank.
  return name.front() != ' ' && name.back() != ' ';
}

std::string QuoteNameIfNeeded(std::string_view name) {
  if (IsStandardName(name)) return std::string(name);
  return "'" + std::string(name) + "'";
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  // Iterative wildcard match with backtracking to the last '*'.
  size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (p < pattern.size() && Lower(pattern[p]) == Lower(name[n])) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace kwt
