// The parts of the replay of a graph window's commands (graph_model.h):
// what they share, and the two parts that keep state of their own from
// command to command: the text boxes and legends (graph_annotations.cpp)
// and the drawn lines (graph_drawing.cpp).  Only the replay uses them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/setting_list.h"
#include "workbench/syntax/command_line.h"

namespace kwt::graph_replay {

// The model being built and the command being replayed.
struct Replay {
  GraphModel& model;
  const std::string* command = nullptr;

  // Keeps "what: why" among the model's problems: a setting that is left
  // out of the picture.
  void Problem(std::string_view what, std::string_view why) {
    model.problems.push_back(std::string(what) + ": " + std::string(why));
  }
  // The same for the whole command.
  void Problem(std::string_view why) { Problem(*command, why); }
};

std::string Lower(std::string_view s);

// The flags of a graph command (what cannot be read is passed over).
std::vector<CommandFlag> ReadCommandFlags(CommandCursor& c);

// "(r,g,b)" or "(r,g,b,a)" with 16-bit components, as rgb=, linefgc= and
// wbRGB= write them.  A component outside 0..65535 is a bad value rather
// than something to clamp: it usually means the wrong numbers were sent.
bool ParseColour(const SettingValue& v, Rgb* out);

// An integer setting in [lo, hi]; fractions are cut off as the host does.
bool IntegerIn(const SettingValue& v, int lo, int hi, int* out);

// A number in [lo, hi]; NaN fails the test and so is a bad value too.
bool NumberIn(const SettingValue& v, double lo, double hi, double* out);

// Legend, TextBox and AppendText.
class Annotations {
 public:
  explicit Annotations(Replay& replay) : r_(replay) {}

  // TextBox and Legend: /N names the box, /C changes an existing one (only
  // what the command gives), /K removes it; /A, /X, /Y place it, /F frames
  // it and /B sets its background.  Without /N each new box gets the next
  // "textN" name.
  void Annotation(CommandCursor& c, bool legend);
  // AppendText [/N=name] [/NOCR] "text": a new line (or, with /NOCR, more of
  // the last line) for the named box, or for the box touched last.
  void AppendText(CommandCursor& c);

 private:
  GraphAnnotation* FindAnnotation(std::string_view name);

  Replay& r_;
  int nextName_ = 0;
  std::string lastAnnotation_;
};

// SetDrawEnv and DrawLine.
class Drawing {
 public:
  explicit Drawing(Replay& replay) : r_(replay) {}

  // SetDrawEnv keyword=value, ...: the settings for the next drawing
  // command; with "save" they become the defaults for every later one.
  void SetDrawEnv(CommandCursor& c);
  // DrawLine x0,y0,x1,y1 in the coordinates of the environment.
  void DrawLine(CommandCursor& c);

 private:
  struct DrawEnv {
    DrawCoord x, y;
    Rgb colour;
    int dash = 0;
    double thick = 1;
  };

  // xcoord= and ycoord=: abs (points from the window's corner), rel (of the
  // window), prel (of the plot area) or the name of an axis of the right
  // direction (data values on it).
  bool ReadCoord(const SettingItem& item, bool horizontal, DrawCoord* out);

  Replay& r_;
  DrawEnv saved_;                   // the defaults ("save")
  std::optional<DrawEnv> pending_;  // set since the last drawing command
};

}  // namespace kwt::graph_replay
