#include "workbench/syntax/command_line.h"

#include "host/result_codes.h"

namespace kwt {
namespace {

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '_'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

void CommandCursor::SkipSpace() {
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
}

bool CommandCursor::AtEnd() {
  SkipSpace();
  return pos_ >= text_.size();
}

bool CommandCursor::TryChar(char c) {
  SkipSpace();
  if (Peek() != c) return false;
  ++pos_;
  return true;
}

bool CommandCursor::TryWord(std::string_view word) {
  SkipSpace();
  if (text_.size() - pos_ < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (Lower(text_[pos_ + i]) != Lower(word[i])) return false;
  if (IsNameChar(PeekAt(word.size()))) return false;
  pos_ += word.size();
  return true;
}

std::string CommandCursor::ReadIdentifier() {
  SkipSpace();
  if (!IsAlpha(Peek()) && Peek() != '_') return {};
  const size_t start = pos_;
  while (IsNameChar(Peek())) ++pos_;
  return text_.substr(start, pos_ - start);
}

bool CommandCursor::ReadName(std::string* name, bool* quoted) {
  SkipSpace();
  if (Peek() == '\'') {
    const size_t close = text_.find('\'', pos_ + 1);
    if (close == std::string::npos) return false;
    *name = text_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;
    if (quoted) *quoted = true;
    return true;
  }
  std::string id = ReadIdentifier();
  if (id.empty()) return false;
  *name = std::move(id);
  if (quoted) *quoted = false;
  return true;
}

bool CommandCursor::ReadQuotedString(std::string* out) {
  SkipSpace();
  if (Peek() != '"') return false;
  size_t p = pos_ + 1;
  std::string s;
  while (p < text_.size()) {
    const char c = text_[p];
    if (c == '"') {
      pos_ = p + 1;
      *out = std::move(s);
      return true;
    }
    if (c == '\\' && p + 1 < text_.size()) {
      const char e = text_[p + 1];
      p += 2;
      switch (e) {
        case 'r': s += '\r'; break;
        case 'n': s += '\n'; break;
        case 't': s += '\t'; break;
        case '"': s += '"'; break;
        case '\'': s += '\''; break;
        case '\\': s += '\\'; break;
        default:
          if (e >= '0' && e <= '7') {
            // Up to three octal digits.
            int v = e - '0';
            for (int k = 0; k < 2 && p < text_.size() && text_[p] >= '0' && text_[p] <= '7'; ++k)
              v = v * 8 + (text_[p++] - '0');
            s += static_cast<char>(v & 0xFF);
          } else {
            // Unknown escapes stand as written.
            s += '\\';
            s += e;
          }
      }
      continue;
    }
    s += c;
    ++p;
  }
  return false;
}

bool CommandCursor::AtNameStart() {
  SkipSpace();
  const char c = Peek();
  return IsAlpha(c) || c == '_' || c == '\'' || c == ':';
}

bool CommandCursor::ReadPath(ParsedPath* path) {
  SkipSpace();
  const size_t start = pos_;
  ParsedPath p;
  if (Peek() == ':') {
    p.relative = true;
    ++pos_;
    while (Peek() == ':') {
      ++p.upLevels;
      ++pos_;
    }
  }
  for (;;) {
    std::string part;
    bool quoted = false;
    const size_t before = pos_;
    // No blanks inside a path.
    if (Peek() == ' ' || Peek() == '\t' || !ReadName(&part, &quoted)) {
      pos_ = before;
      break;
    }
    if (p.parts.empty() && !p.relative && SameWord(part, "root") && !quoted && Peek() == ':')
      p.absolute = true;
    p.parts.push_back(part);
    p.lastQuoted = quoted;
    if (Peek() != ':') {
      p.trailingColon = false;
      break;
    }
    ++pos_;
    p.trailingColon = true;
    while (Peek() == ':') {
      // "a::b" climbs back out of a.
      ++pos_;
      if (!p.parts.empty()) p.parts.pop_back();
      else ++p.upLevels;
    }
  }
  if (p.parts.empty() && !p.relative) {
    pos_ = start;
    return false;
  }
  if (p.parts.empty()) p.trailingColon = true;  // ":" or "::" alone
  *path = std::move(p);
  return true;
}

bool ReadCommandFlags(CommandCursor& c, std::vector<CommandFlag>* flags) {
  for (;;) {
    c.SkipSpace();
    if (c.Peek() != '/') return true;
    c.Take();
    CommandFlag f;
    while (IsAlpha(c.Peek())) f.name += Lower(c.Take());
    if (f.name.empty()) return false;
    if (c.Peek() == '=') {
      c.Take();
      f.hasValue = true;
      int depth = 0;
      char quote = 0;
      while (c.Peek() != '\0') {
        const char ch = c.Peek();
        if (quote != 0) {
          if (ch == '\\' && quote == '"') f.value += c.Take();
          else if (ch == quote) quote = 0;
        } else if (ch == '"' || ch == '\'') {
          quote = ch;
        } else if (ch == '(' || ch == '[' || ch == '{') {
          ++depth;
        } else if (ch == ')' || ch == ']' || ch == '}') {
          --depth;
        } else if (depth <= 0 && (ch == '/' || ch == ' ' || ch == '\t' || ch == ',')) {
          break;
        }
        f.value += c.Take();
      }
    }
    flags->push_back(std::move(f));
  }
}

const CommandFlag* FindCommandFlag(const std::vector<CommandFlag>& flags, std::string_view name) {
  const CommandFlag* found = nullptr;
  for (const CommandFlag& f : flags)
    if (f.name == name) found = &f;
  return found;
}

std::vector<std::string> SplitCommands(std::string_view line) {
  std::vector<std::string> out;
  std::string current;
  char quote = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quote != 0) {
      current += c;
      if (quote == '"' && c == '\\' && i + 1 < line.size()) {
        current += line[++i];
      } else if (c == quote) {
        quote = 0;
      }
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      current += c;
    } else if (c == ';') {
      out.push_back(current);
      current.clear();
    } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
      break;
    } else if (c == '\r' || c == '\n') {
      out.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  out.push_back(current);
  std::vector<std::string> kept;
  for (auto& s : out) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) continue;
    const size_t e = s.find_last_not_of(" \t");
    kept.push_back(s.substr(b, e - b + 1));
  }
  return kept;
}

std::string EscapeString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20 || u == 0x7F) {
          out += '\\';
          out += static_cast<char>('0' + ((u >> 6) & 7));
          out += static_cast<char>('0' + ((u >> 3) & 7));
          out += static_cast<char>('0' + (u & 7));
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace kwt
