// Reading one command line: the cursor that both the interpreter and the
// module's parsing services (HostGetFlag, HostGetNumber, ...) move along.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kwt {

// A data-folder path as written: "root:a:'b c':w", ":a:w", "::w", "w",
// "root:" ...  `parts` holds the unquoted names; `upLevels` counts the
// extra colons that climb to a parent.
struct ParsedPath {
  bool absolute = false;     // begins with "root"
  bool relative = false;     // begins with ":"
  int upLevels = 0;          // "::" climbs one level
  std::vector<std::string> parts;
  bool trailingColon = false;  // names a folder ("root:a:")
  bool lastQuoted = false;

  // The last part (the object's name); empty for a folder path.
  std::string Leaf() const { return trailingColon || parts.empty() ? std::string() : parts.back(); }
  bool HasFolder() const { return absolute || relative || upLevels > 0 || parts.size() > 1 || trailingColon; }
};

class CommandCursor {
 public:
  CommandCursor() = default;
  explicit CommandCursor(std::string text) : text_(std::move(text)) {}

  const std::string& text() const { return text_; }
  size_t pos() const { return pos_; }
  void set_pos(size_t p) { pos_ = p; }
  std::string_view Rest() const { return std::string_view(text_).substr(pos_); }

  void SkipSpace();
  bool AtEnd();                       // after skipping blanks
  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  char PeekAt(size_t k) const { return pos_ + k < text_.size() ? text_[pos_ + k] : '\0'; }
  char Take() { return pos_ < text_.size() ? text_[pos_++] : '\0'; }
  // Puts `with` in place of the text [begin, end) and moves to `begin`.
  void Replace(size_t begin, size_t end, std::string_view with) {
    text_.replace(begin, end - begin, with);
    pos_ = begin;
  }
  // Takes c (after blanks) when it comes next.
  bool TryChar(char c);
  // Takes the word (case-insensitive, after blanks) when it comes next and
  // is not followed by a name character.
  bool TryWord(std::string_view word);

  // A standard name: letter, then letters, digits, "_".  Empty when none.
  std::string ReadIdentifier();
  // A standard or 'liberal' name; false when none follows or a quote is
  // not closed.  `quoted` tells which it was.
  bool ReadName(std::string* name, bool* quoted = nullptr);
  // A "double-quoted" string with the host's escapes (\" \\ \r \n \t \'
  // and \ddd octal); false when none follows or it is not closed.
  bool ReadQuotedString(std::string* text);
  // A path or name; false when no name follows.
  bool ReadPath(ParsedPath* path);

  // True when the next character can begin a name or a path.
  bool AtNameStart();

 private:
  std::string text_;
  size_t pos_ = 0;
};

// One flag of a workbench command: "/O", "/N=10", "/W=(1,2,3,4)",
// "/NOCR".  The name is kept in lower case; a value runs to the next "/",
// blank or "," outside brackets and quotes.
struct CommandFlag {
  std::string name;
  bool hasValue = false;
  std::string value;
};

// Reads the flags at the cursor.  False when a "/" is not followed by a
// letter (the flags read so far are kept).
bool ReadCommandFlags(CommandCursor& c, std::vector<CommandFlag>* flags);

// The last flag of that (lower-case) name, or null.
const CommandFlag* FindCommandFlag(const std::vector<CommandFlag>& flags, std::string_view name);

// Splits a line into commands at ";" outside "strings" and 'names', and
// drops a "//" comment outside them.  Blank commands are left out.
std::vector<std::string> SplitCommands(std::string_view line);

// The text without the blanks and tabs at either end.
std::string_view TrimBlanks(std::string_view text);

// Escapes text for a "double-quoted" host string: \\ \" \r \n \t, and other
// control bytes as \ddd.
std::string EscapeString(std::string_view text);

}  // namespace kwt
