// The parsing services: the module reads the rest of its operation's
// command line through them (HostGetFlag, HostGetNumber, HostGetWave, ...).
#include "workbench/host/services.h"

#include "workbench/host/session.h"
#include "workbench/syntax/command_line.h"
#include "workbench/language/value_reader.h"

namespace kwt {

int32_t Services::ParseWith(CommandCursor& cursor, const std::function<int32_t()>& fn) {
  cursors_.push_back(&cursor);
  // The cursor is taken off again however fn ends.
  struct Pop {
    std::vector<CommandCursor*>& v;
    ~Pop() { v.pop_back(); }
  } pop{cursors_};
  return fn();
}

CommandCursor* Services::TopCursor() { return cursors_.empty() ? nullptr : cursors_.back(); }

int32_t Services::GetFlag(std::string_view letters) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return -1;
  c->SkipSpace();
  if (c->Peek() != '/') return 0;
  const size_t start = c->pos();
  c->Take();
  // A flag is one letter; "/AB" or "/1" is not one the module knows.
  char letter = c->Peek();
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  const auto notAFlag = [&]() {
    size_t end = start + 1;
    const std::string& text = c->text();
    while (end < text.size() && text[end] != ' ' && text[end] != '/' && text[end] != '=') ++end;
    session_.Report({ProblemKind::kDiagnosis,
            "\"" + text.substr(start, end - start) + "\" is not a flag (one letter after \"/\")"});
    c->set_pos(start);
    return -1;
  };
  if (letter < 'A' || letter > 'Z') return notAFlag();
  c->Take();
  const char next = c->Peek();
  if ((next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z') || next == '_' ||
      (next >= '0' && next <= '9'))
    return notAFlag();
  if (letters.find(letter) == std::string_view::npos) {
    std::string known;
    for (char l : letters) known += std::string(known.empty() ? "/" : " /") + l;
    session_.Report({ProblemKind::kDiagnosis,
            "unknown flag /" + std::string(1, letter) + " (the flags here are " + known + ")"});
    c->set_pos(start);
    return -1;
  }
  return letter;
}

namespace {
bool IsSymbolChar(char c) {
  if (c == '\0' || c == '"' || c == '\'' || c == '_') return false;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return false;
  return static_cast<unsigned char>(c) > ' ';
}
}  // namespace

int32_t Services::NextSymbol() {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return 0;
  c->SkipSpace();
  // An operation asks for the next symbol where a list may begin with "$":
  // "$" and a string expression stands for the names it lists, as in a
  // wave list; "$" and a string variable stays the operation's to read.
  // A "$" that names nothing readable is left for the operation to refuse.
  if (c->Peek() == '$') values_.ExpandWaveList(*c, true);
  return IsSymbolChar(c->Peek()) ? c->Peek() : 0;
}

int32_t Services::TakeSymbol() {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return 0;
  c->SkipSpace();
  return IsSymbolChar(c->Peek()) ? c->Take() : 0;
}

int32_t Services::GetNumber(double* value) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  const int32_t err = values_.ReadNumber(*c, value, true);
  if (err != 0) {
    // An unreadable value is passed over up to the next blank, flag or
    // comma, so that a caller that goes on after the failure reads what
    // follows the value rather than the value again.
    c->SkipSpace();
    while (c->Peek() != '\0' && c->Peek() != ' ' && c->Peek() != '\t' && c->Peek() != '/' &&
           c->Peek() != ',')
      c->Take();
  }
  return err;
}

int32_t Services::GetName(std::string* name) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  std::string n;
  if (!c->ReadName(&n)) return kHostErrExpectedName;
  // Names are checked where objects are made; a reader may want to report
  // a long name in its own words.
  if (n.size() > 255) return kHostErrNameTooLong;
  *name = std::move(n);
  return 0;
}

int32_t Services::GetFolderAndName(FolderHandle* folder, std::string* name, bool) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  *folder = nullptr;
  const size_t start = c->pos();
  ParsedPath path;
  if (!c->ReadPath(&path) || path.trailingColon) {
    c->set_pos(start);
    return kHostErrExpectedName;
  }
  if (path.Leaf().size() > 255) return kHostErrNameTooLong;
  if (path.HasFolder()) {
    HostFolder* f = session_.ResolveFolder(path, false);
    if (f == nullptr) return kHostErrNoSuchFolder;
    *folder = f;
  }
  *name = path.Leaf();
  return 0;
}

int32_t Services::GetFileName(std::string* path) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  c->SkipSpace();
  if (c->Peek() == '"') {
    std::string s;
    if (!c->ReadQuotedString(&s)) return kHostErrSyntax;
    if (s.empty()) return kHostErrExpectedString;
    *path = std::move(s);
    return 0;
  }
  if (c->Peek() == '$') return values_.ReadStringVariable(*c, path);
  return kHostErrExpectedString;
}

int32_t Services::GetWave(WaveHandle* wave) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  *wave = nullptr;
  const size_t start = c->pos();
  c->TryChar(',');
  // "$" and a string expression: the names it lists, read one by one.  A
  // "$" and a string variable ends the references: it is the operation's
  // own form of a list.
  if (int32_t e = values_.ExpandWaveList(*c, true)) return e;
  if (!c->AtNameStart()) {
    c->set_pos(start);
    return 0;
  }
  ParsedPath path;
  if (!c->ReadPath(&path)) {
    c->set_pos(start);
    return 0;
  }
  HostWave* w = session_.ResolveWave(path);
  if (w == nullptr) return session_.NotFound(kHostErrNoSuchWave, path);
  *wave = w;
  return 0;
}

int32_t Services::AtEnd() {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  return c->AtEnd() ? 0 : kHostErrExpectedEnd;
}

}  // namespace kwt
