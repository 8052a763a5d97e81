// The commands that make graph and table windows and change them: Display,
// AppendToGraph, Edit, AppendToTable, Append, and the settings that act on
// the top graph (ModifyGraph, SetAxis, ErrorBars, Legend, TextBox,
// AppendText, Label, SetDrawEnv, DrawLine).
//
// Each runs as CommandFn says (language/command_table.h).  A window keeps
// every command applied to it, as written, so that its model can be built
// by replaying them (graph_model.h).
#pragma once

#include "workbench/language/command_table.h"

namespace kwt {

CommandFn CmdDisplay;
CommandFn CmdAppendToGraph;
CommandFn CmdEdit;
CommandFn CmdAppendToTable;
// Append adds to the top window, graph or table.
CommandFn CmdAppend;
// A setting of the top graph; it is kept for the graph's model.
CommandFn CmdGraphSetting;

}  // namespace kwt
