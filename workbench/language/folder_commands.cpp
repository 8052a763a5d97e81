// The workbench's commands for variables and data folders: Variable,
// String, KillVariables, KillStrings, NewDataFolder and SetDataFolder.
#include <memory>

#include "host/host.h"
#include "workbench/host/objects.h"
#include "workbench/host/session.h"
#include "workbench/language/interpreter.h"
#include "workbench/language/own_commands.h"
#include "workbench/language/value_reader.h"

namespace kwt {
namespace {

// Variable and String: names, each with an optional "= value".
int32_t MakeVariables(Interpreter& in, CommandCursor& c, bool isString) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  for (const CommandFlag& f : flags)
    if (f.name != "g" && f.name != "d") return kHostErrBadFlag;
  do {
    std::string name;
    if (!c.ReadName(&name)) return kHostErrExpectedName;
    if (name.size() > static_cast<size_t>(kHostMaxNameLength)) return kHostErrNameTooLong;
    if (isString) {
      std::string value;
      if (c.TryChar('='))
        if (int32_t e = in.values().ReadString(c, &value)) return e;
      if (int32_t e = in.host().SetStringVariable(name, value, true)) return e;
    } else {
      double value = 0;
      if (c.TryChar('='))
        if (int32_t e = in.values().ReadNumber(c, &value)) return e;
      if (int32_t e = in.host().SetNumericVariable(name, value, true)) return e;
    }
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

}  // namespace

int32_t CmdVariable(Interpreter& in, CommandCursor& c, const std::string&) {
  return MakeVariables(in, c, false);
}

int32_t CmdString(Interpreter& in, CommandCursor& c, const std::string&) {
  return MakeVariables(in, c, true);
}

int32_t CmdKillVariables(Interpreter& in, CommandCursor& c, const std::string&) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool quiet = FindCommandFlag(flags, "z") != nullptr;
  if (c.AtEnd()) return 0;
  do {
    ParsedPath path;
    if (!c.ReadPath(&path)) return kHostErrExpectedName;
    HostFolder* f = in.session().ResolveFolder(path, false);
    const std::string leaf = path.Leaf();
    bool removed = false;
    if (f != nullptr) {
      for (auto it = f->variables.begin(); it != f->variables.end(); ++it) {
        if (SameName(it->name, leaf)) {
          f->variables.erase(it);
          removed = true;
          break;
        }
      }
    }
    if (!removed && !quiet) return kHostErrNoSuchVariable;
  } while (c.TryChar(','));
  return c.AtEnd() ? 0 : kHostErrExpectedEnd;
}

int32_t CmdNewDataFolder(Interpreter& in, CommandCursor& c, const std::string&) {
  std::vector<CommandFlag> flags;
  if (!ReadCommandFlags(c, &flags)) return kHostErrBadFlag;
  const bool ok = FindCommandFlag(flags, "o") != nullptr;
  const bool set = FindCommandFlag(flags, "s") != nullptr;
  ParsedPath path;
  if (!c.ReadPath(&path) || path.trailingColon || path.parts.empty()) return kHostErrExpectedName;
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  HostFolder* parent = in.session().ResolveFolder(path, false);
  if (parent == nullptr) return in.session().NotFound(kHostErrNoSuchFolder, path);
  const std::string name = path.Leaf();
  if (name.size() > static_cast<size_t>(kHostMaxNameLength)) return kHostErrNameTooLong;
  if (!IsValidName(name)) return kHostErrBadName;
  HostFolder* folder = parent->FindFolder(name);
  if (folder == nullptr) {
    if (parent->NameInUse(name)) return kHostErrNameInUse;
    auto made = std::make_unique<HostFolder>();
    made->name = name;
    made->parent = parent;
    folder = made.get();
    parent->folders.push_back(std::move(made));
  } else if (!ok) {
    return kHostErrNameInUse;
  }
  if (set) in.session().SetCurrentFolder(folder);
  return 0;
}

int32_t CmdSetDataFolder(Interpreter& in, CommandCursor& c, const std::string&) {
  ParsedPath path;
  if (!c.ReadPath(&path)) return kHostErrExpectedName;
  if (!c.AtEnd()) return kHostErrExpectedEnd;
  HostFolder* f = in.session().ResolveFolder(path, true);
  if (f == nullptr) return in.session().NotFound(kHostErrNoSuchFolder, path);
  in.session().SetCurrentFolder(f);
  return 0;
}

}  // namespace kwt
