// Splitting keyword(target)=value lists of the graph commands.
#include "workbench/graphs/setting_list.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <strings.h>

namespace kwt {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// The index just past the bracket that closes the one at `open`, or npos
// when it is not closed.  Quotes inside are skipped whole.
size_t SkipGroup(std::string_view s, size_t open) {
  int depth = 0;
  char quote = 0;
  for (size_t i = open; i < s.size(); ++i) {
    const char c = s[i];
    if (quote != 0) {
      if (c == '\\' && quote == '"' && i + 1 < s.size()) ++i;
      else if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') quote = c;
    else if (c == '(' || c == '{' || c == '[') ++depth;
    else if (c == ')' || c == '}' || c == ']') {
      if (--depth == 0) return i + 1;
    }
  }
  return std::string_view::npos;
}

// A value: "(...)" and "{...}" lists are split at their top-level commas,
// anything else is one scalar.  Names in either are unquoted.
bool ReadValue(std::string_view v, SettingValue* out) {
  v = Trim(v);
  if (v.empty()) return false;
  if (v.front() == '(' || v.front() == '{') {
    const size_t end = SkipGroup(v, 0);
    if (end != v.size()) return false;
    const char close = v.front() == '(' ? ')' : '}';
    if (v.back() != close) return false;
    out->kind = v.front() == '(' ? SettingValue::Kind::kParen : SettingValue::Kind::kBrace;
    for (const std::string& part : SplitTopLevel(v.substr(1, v.size() - 2)))
      out->items.push_back(UnquoteName(part));
    return true;
  }
  out->kind = SettingValue::Kind::kScalar;
  out->items.push_back(UnquoteName(v));
  return true;
}

// keyword [(target)] [= value].  The keyword must start like a name; a
// target must close its parenthesis and not be empty.
bool ReadItem(std::string_view text, SettingItem* item) {
  item->text = std::string(text);
  size_t i = 0;
  while (i < text.size() && IsNameChar(text[i])) ++i;
  if (i == 0 || std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  item->key = std::string(text.substr(0, i));
  std::string_view rest = Trim(text.substr(i));
  if (!rest.empty() && rest.front() == '(') {
    const size_t end = SkipGroup(rest, 0);
    if (end == std::string_view::npos) return false;
    item->hasTarget = true;
    item->target = UnquoteName(Trim(rest.substr(1, end - 2)));
    if (item->target.empty()) return false;
    rest = Trim(rest.substr(end));
  }
  if (rest.empty()) return true;  // a keyword alone, such as "save"
  if (rest.front() != '=') return false;
  return ReadValue(rest.substr(1), &item->value);
}

}  // namespace

// One pass with a depth count and the open quote, if any; the end of the
// text counts as a final separator so that the last part is taken too.
std::vector<std::string> SplitTopLevel(std::string_view text, char separator) {
  std::vector<std::string> parts;
  int depth = 0;
  char quote = 0;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : separator;
    if (quote != 0 && i < text.size()) {
      if (c == '\\' && quote == '"' && i + 1 < text.size()) ++i;
      else if (c == quote) quote = 0;
      continue;
    }
    if (i < text.size() && (c == '"' || c == '\'')) quote = c;
    else if (c == '(' || c == '{' || c == '[') ++depth;
    else if (c == ')' || c == '}' || c == ']') --depth;
    else if (c == separator && (depth <= 0 || i == text.size())) {
      const std::string_view part = Trim(text.substr(start, i - start));
      // Only a text that is blank as a whole has no parts; "a," has two.
      if (!(part.empty() && parts.empty() && i == text.size())) parts.emplace_back(part);
      start = i + 1;
    }
  }
  return parts;
}

std::string UnquoteName(std::string_view text) {
  text = Trim(text);
  if (text.size() >= 2 && text.front() == '\'') {
    const size_t close = text.find('\'', 1);
    if (close != std::string_view::npos) {
      std::string name(text.substr(1, close - 1));
      name += Trim(text.substr(close + 1));  // "#1" after the quote
      return name;
    }
  }
  return std::string(text);
}

// Every part is read, good or bad, so that one mistake costs one setting.
bool ReadSettingList(std::string_view text, std::vector<SettingItem>* items, std::string* bad) {
  bool ok = true;
  for (const std::string& part : SplitTopLevel(text)) {
    SettingItem item;
    if (part.empty() || !ReadItem(part, &item)) {
      if (ok && bad != nullptr) *bad = part;
      ok = false;
      continue;
    }
    items->push_back(std::move(item));
  }
  return ok;
}

bool ParseSettingNumber(std::string_view text, double* value) {
  text = Trim(text);
  // "(2)" as the lstyle command writes it.
  while (text.size() >= 2 && text.front() == '(' && text.back() == ')')
    text = Trim(text.substr(1, text.size() - 2));
  if (text.empty() || text.size() > 64) return false;
  const std::string s(text);
  const char* p = s.c_str();
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (strcasecmp(p, "nan") == 0) {
    *value = NAN;
    return true;
  }
  if (strcasecmp(p, "inf") == 0) {
    *value = negative ? -INFINITY : INFINITY;
    return true;
  }
  // Only the decimal forms: strtod would also take hexadecimal numbers
  // and "infinity" spellings that the command language does not have.
  if (!std::isdigit(static_cast<unsigned char>(*p)) && *p != '.') return false;
  for (const char* q = p; *q != '\0'; ++q) {
    if (*q == 'x' || *q == 'X') return false;
  }
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end == nullptr || *end != '\0') return false;
  *value = v;
  return true;
}

bool SettingNumber(const SettingValue& value, double* number) {
  if (value.items.size() != 1 || value.kind == SettingValue::Kind::kBrace) return false;
  return ParseSettingNumber(value.items[0], number);
}

}  // namespace kwt
