// Reading values on a command line, for the workbench's commands and for
// the module's parsing services alike: numeric expressions (expression.h)
// over the session's variables and waves; string expressions: "text",
// string variables and the string function WaveList, joined by "+"; and
// "$" with a string expression where a list of waves is read, which
// stands for the names the string lists:
//
//   AutoStats/N=m $WaveList("PMPulse_1_2_*_1_*", ",", "")
//   String s = WaveList("*_Imon", ";", ""); Display $s
#pragma once

#include <cstdint>
#include <string>

#include "workbench/syntax/command_line.h"
#include "workbench/language/expression.h"

namespace kwt {

class Session;

class ValueReader final : public ExprContext {
 public:
  explicit ValueReader(Session& session) : session_(session) {}
  ValueReader(const ValueReader&) = delete;
  ValueReader& operator=(const ValueReader&) = delete;

  // A numeric expression at the cursor; with `flagValue` an operation's
  // flag value ("/" outside parentheses ends it).  Returns 0 or a host code.
  int32_t ReadNumber(CommandCursor& c, double* value, bool flagValue = false);
  // A string expression at the cursor.  kHostErrExpectedString, with the
  // cursor where it was, when none stands there.
  int32_t ReadString(CommandCursor& c, std::string* value);
  // "$" and the name of a string variable at the cursor: the variable's
  // text.  kHostErrExpectedStringVar when no string variable is named.
  int32_t ReadStringVariable(CommandCursor& c, std::string* text);
  // Where a wave list is read: "$" and a string expression at the cursor
  // is replaced on the line by the names the string lists (separated by ","
  // or ";"), each quoted where its name needs it.  With `keepVariables`,
  // "$" and a plain string-variable name stay for the reader: the module's
  // wave utilities read such a list themselves.
  int32_t ExpandWaveList(CommandCursor& c, bool keepVariables);

  // ---- ExprContext ----
  void Diagnose(std::string text) override;
  bool NumericVariable(const ParsedPath& path, double* value) override;
  HostWave* FindWave(const ParsedPath& path) override;

 private:
  // `name(...)` at the cursor, just after the name: WaveList(match,
  // separator, options).  kHostErrExpectedString when `name` is no string
  // function (so that the caller may read a number instead).
  int32_t CallStringFunction(const std::string& name, CommandCursor& c, std::string* value);

  Session& session_;
  int stringNesting_ = 0;  // string expressions under way (function arguments)
};

}  // namespace kwt
