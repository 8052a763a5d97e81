// The workbench's own commands and their help.
#include "workbench/language/command_table.h"

#include "resources/operation_flags.h"
#include "resources/resources.h"
#include "support/format.h"
#include "workbench/language/window_commands.h"
#include "workbench/host/names.h"
#include "workbench/language/own_commands.h"

namespace kwt {
namespace {

// Commands that are taken and change nothing.
int32_t CmdAccepted(Interpreter&, CommandCursor&, const std::string&) { return 0; }

constexpr std::string_view kNotDrawn = "accepted; windows are drawn only when written out";

// `help` and the assignment are dispatched by the interpreter; they stand
// here for their help lines.
constexpr OwnCommand kOwnCommands[] = {
    {"Make", "Make[/O][/D|/S|/I|/W|/B][/U][/C][/T][/N=n] name[, name] [= {v0, v1, ...} | = expr]",
     "make waves (float, 128 points unless /N; /D double, /T text)", CmdMake},
    {"Variable", "Variable[/G] name [= expr][, name [= expr]]", "make a numeric variable",
     CmdVariable},
    {"String", "String[/G] name [= \"text\"][, ...]", "make a string variable", CmdString},
    {"=", "wave = expr | wave = {v0, v1, ...} | wave[i] = v | variable = expr",
     "assign values to a wave (p, x: each point) or a variable", nullptr},
    {"SetScale", "SetScale[/P|/I] x|y|d first, second[, \"units\"], wave[, wave]",
     "x or y scaling (/P start and delta), or d: data range, units", CmdSetScale},
    {"Note", "Note[/K][/NOCR] wave[, \"text\"]", "add a line to a wave's note (/K clears it first)",
     CmdNote},
    {"KillWaves", "KillWaves[/A][/Z] wave[, wave]",
     "delete waves (/A all of the current folder, /Z if present)", CmdKillWaves},
    {"KillVariables", "KillVariables[/Z] name[, name]", "delete numeric variables",
     CmdKillVariables},
    {"KillStrings", "KillStrings[/Z] name[, name]", "delete string variables", CmdKillVariables},
    {"NewDataFolder", "NewDataFolder[/O][/S] path",
     "make a data folder (/S and make it the current one)", CmdNewDataFolder},
    {"SetDataFolder", "SetDataFolder path", "make a data folder the current one",
     CmdSetDataFolder},
    {"print", "print expr | \"text\" | stringVar[, ...]", "print numbers and texts", CmdPrint},
    {"LoadWave", "LoadWave[/T][/O] \"file.ibw\" | \"file.itx\" | $var",
     "load a binary wave file, or with /T the waves and variables of an Igor text file",
     CmdLoadWave},
    {"Redimension", "Redimension[/N=n][/D|/S|/I|/W|/B] wave[, wave]",
     "change the number of points or the number type of waves", CmdRedimension},
    {"Display", "Display[/W=(left,top,right,bottom)][/L=axis|/R=axis] wave[, wave] [vs xwave]",
     "show waves in a new graph", CmdDisplay},
    {"AppendToGraph", "AppendToGraph[/L=axis|/R=axis][/B=axis|/T=axis] wave[, wave] [vs xwave]",
     "add waves to the top graph", CmdAppendToGraph},
    {"ModifyGraph", "ModifyGraph setting(trace or axis)=value[, ...]",
     "change traces and axes of the top graph", CmdGraphSetting},
    {"SetAxis", "SetAxis[/A] axis low, high", "the range of an axis of the top graph",
     CmdGraphSetting},
    {"ErrorBars", "ErrorBars trace Y,wave=(plus, minus)", "error bars on a trace of the top graph",
     CmdGraphSetting},
    {"Legend", "Legend[/N=name]", "a legend in the top graph", CmdGraphSetting},
    {"TextBox", "TextBox[/N=name] \"text\"", "a text box in the top graph", CmdGraphSetting},
    {"AppendText", "AppendText/N=name \"text\"", "a line more in a text box of the top graph",
     CmdGraphSetting},
    {"Label", "Label axis \"text\"", "the label of an axis of the top graph", CmdGraphSetting},
    {"SetDrawEnv", "SetDrawEnv setting=value[, ...]", "how the next line in the top graph is drawn",
     CmdGraphSetting},
    {"DrawLine", "DrawLine x0, y0, x1, y1", "a line in the top graph", CmdGraphSetting},
    {"Edit", "Edit wave[, wave]", "show waves in a new table", CmdEdit},
    {"AppendToTable", "AppendToTable wave[, wave]", "add waves to the top table", CmdAppendToTable},
    {"Append", "Append wave[, wave] [vs xwave]", "add waves to the top graph or table", CmdAppend},
    {"PauseUpdate", "PauseUpdate", kNotDrawn, CmdAccepted},
    {"ResumeUpdate", "ResumeUpdate", kNotDrawn, CmdAccepted},
    {"DoUpdate", "DoUpdate", kNotDrawn, CmdAccepted},
    {"Silent", "Silent n", "accepted; does nothing", CmdAccepted},
    {"help", "help [NAME]", "list all, or show how one is written (NAME/? for flags)", nullptr},
};

}  // namespace

std::span<const OwnCommand> OwnCommands() { return kOwnCommands; }

const OwnCommand* FindOwnCommand(std::string_view name) {
  for (const OwnCommand& own : kOwnCommands)
    if (own.run != nullptr && SameName(name, own.name)) return &own;
  return nullptr;
}

bool HelpText(std::string_view topic, std::string* text) {
  if (topic.empty()) {
    *text = "Operations of the module (help NAME or NAME/? lists the flags):\r";
    for (int32_t i = 0; i < resources::kOperationCount; ++i) {
      const resources::OperationHelp& op = *resources::OperationHelpAt(i);
      AppendFormat(*text, "  %-14s %s\r", std::string(op.name).c_str(),
                   std::string(op.summary).c_str());
    }
    *text += "Commands of the workbench (help NAME shows how each is written):\r";
    for (const OwnCommand& o : kOwnCommands)
      AppendFormat(*text, "  %-14s %s\r", std::string(o.name).c_str(), std::string(o.help).c_str());
    return true;
  }
  if (const resources::OperationHelp* op = resources::FindOperationHelp(topic)) {
    *text = resources::OperationHelpText(*op);
    return true;
  }
  for (const OwnCommand& o : kOwnCommands) {
    if (!SameName(o.name, topic)) continue;
    *text = std::string(o.usage) + "\r  " + std::string(o.help) + "\r";
    return true;
  }
  return false;
}

}  // namespace kwt
