// Numbers, strings and wave lists on a command line.
#include "workbench/language/value_reader.h"

#include "host/host.h"
#include "support/format.h"
#include "workbench/host/session.h"

namespace kwt {
namespace {

// One item of a listed wave: a name, or a path whose parts are each quoted
// where they need it ("root:my data:w-1" -> "root:'my data':'w-1'").  Parts
// that carry their quotes already stay as they are.
std::string QuoteListItem(std::string_view item) {
  std::string out;
  size_t start = 0;
  for (;;) {
    const size_t colon = item.find(':', start);
    const std::string_view part = item.substr(start, colon - start);
    if (part.empty() || part.front() == '\'') out += part;
    else out += QuoteNameIfNeeded(part);
    if (colon == std::string_view::npos) break;
    out += ':';
    start = colon + 1;
  }
  return out;
}

}  // namespace

int32_t ValueReader::ReadNumber(CommandCursor& c, double* value, bool flagValue) {
  return EvaluateNumber(c, *this, flagValue, value);
}

void ValueReader::Diagnose(std::string text) { session_.Diagnose(std::move(text)); }

bool ValueReader::NumericVariable(const ParsedPath& path, double* value) {
  Variable* v = session_.ResolveVariable(path);
  if (v == nullptr || v->isString) return false;
  *value = v->number;
  return true;
}

HostWave* ValueReader::FindWave(const ParsedPath& path) { return session_.ResolveWave(path); }

int32_t ValueReader::ReadString(CommandCursor& c, std::string* value) {
  // Function arguments nest; their depth is bounded as numeric nesting is.
  if (stringNesting_ >= kMaxExpressionNesting) {
    Diagnose(Format("string functions nest at most %d levels deep", kMaxExpressionNesting));
    return kHostErrSyntax;
  }
  ++stringNesting_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{stringNesting_};

  std::string out;
  for (;;) {
    c.SkipSpace();
    std::string piece;
    if (c.Peek() == '"') {
      if (!c.ReadQuotedString(&piece)) return kHostErrSyntax;
    } else {
      const size_t start = c.pos();
      const std::string word = c.ReadIdentifier();
      c.SkipSpace();
      if (!word.empty() && c.Peek() == '(') {
        if (int32_t e = CallStringFunction(word, c, &piece)) {
          c.set_pos(start);
          return e;
        }
      } else {
        c.set_pos(start);
        ParsedPath path;
        if (!c.ReadPath(&path)) return kHostErrExpectedString;
        Variable* v = session_.ResolveVariable(path);
        if (v == nullptr || !v->isString) {
          c.set_pos(start);
          return kHostErrExpectedString;
        }
        piece = v->text;
      }
    }
    out += piece;
    if (!c.TryChar('+')) break;
  }
  *value = std::move(out);
  return 0;
}

int32_t ValueReader::ReadStringVariable(CommandCursor& c, std::string* text) {
  if (!c.TryChar('$')) return kHostErrExpectedStringVar;
  ParsedPath path;
  if (!c.ReadPath(&path)) return kHostErrExpectedStringVar;
  Variable* v = session_.ResolveVariable(path);
  if (v == nullptr || !v->isString) return kHostErrExpectedStringVar;
  *text = v->text;
  return 0;
}

int32_t ValueReader::CallStringFunction(const std::string& name, CommandCursor& c,
                                        std::string* value) {
  // Numeric functions (abs, min, ...) are the numeric reader's.
  if (!SameName(name, "WaveList")) return kHostErrExpectedString;
  c.Take();  // "("
  // WaveList(matchStr, separatorStr, optionsStr): the waves of the current
  // data folder ("" options) or of a window ("WIN:name") whose names match
  // the pattern, each followed by the separator.
  std::string args[3];
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && !c.TryChar(',')) return kHostErrSyntax;
    if (int32_t e = ReadString(c, &args[i])) return e;
  }
  if (!c.TryChar(')')) return kHostErrSyntax;
  *value = session_.ListWaves(args[0], args[1], args[2]);
  return 0;
}

int32_t ValueReader::ExpandWaveList(CommandCursor& c, bool keepVariables) {
  c.SkipSpace();
  if (c.Peek() != '$') return 0;
  const size_t start = c.pos();
  c.Take();
  if (keepVariables) {
    const size_t after = c.pos();
    ParsedPath path;
    if (c.ReadPath(&path)) {
      c.SkipSpace();
      if (c.Peek() != '(' && c.Peek() != '+') {
        c.set_pos(start);
        return 0;
      }
    }
    c.set_pos(after);
  }
  std::string listed;
  if (int32_t e = ReadString(c, &listed)) {
    c.set_pos(start);
    return e;
  }
  // Blanks around an item are dropped (no name begins or ends with one),
  // and so are empty items, such as the one after a final separator.
  std::string names;
  size_t from = 0;
  for (;;) {
    const size_t end = listed.find_first_of(",;", from);
    const std::string_view item =
        TrimBlanks(std::string_view(listed).substr(from, end == std::string::npos ? end : end - from));
    if (!item.empty()) {
      if (!names.empty()) names += ',';
      names += QuoteListItem(item);
    }
    if (end == std::string::npos) break;
    from = end + 1;
  }
  c.Replace(start, c.pos(), names);
  return 0;
}

}  // namespace kwt
