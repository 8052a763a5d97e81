// The drawable model of a graph window: axes, traces, annotations and
// drawn lines, built by replaying the window's command texts in order
// (Display, AppendToGraph, Append, ModifyGraph, SetAxis, Label, ErrorBars,
// Legend, TextBox, AppendText, SetDrawEnv, DrawLine).
//
// Replaying in order matters: "ModifyGraph rgb=(...)" without a trace name
// acts on the traces shown at that moment, an auto legend lists the traces
// of its moment, and SetDrawEnv applies to the next drawing command only.
// A setting that cannot be understood (unknown keyword, bad value, missing
// trace or axis) is left out and described in `problems`; everything else
// is still drawn.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "workbench/host/windows.h"

namespace kwt {

class Session;

// A colour from the host's 16-bit components.
struct Rgb {
  double r = 0, g = 0, b = 0, a = 1;  // 0..1
  static Rgb From16(double r16, double g16, double b16, double a16 = 65535) {
    return {r16 / 65535.0, g16 / 65535.0, b16 / 65535.0, a16 / 65535.0};
  }
  bool operator==(const Rgb&) const = default;
};

enum class AxisSide { kLeft, kRight, kBottom, kTop };

inline bool IsVertical(AxisSide s) { return s == AxisSide::kLeft || s == AxisSide::kRight; }

// Where a free axis stands: points from its plot edge toward the centre,
// a value on a crossing axis, or a fraction of the plot area.
struct FreePosition {
  enum class Kind { kPoints, kValue, kFraction };
  Kind kind = Kind::kPoints;
  double value = 0;
  std::string crossAxis;  // kValue: the perpendicular axis the value is on
};

struct GraphAxis {
  std::string name;          // "left", "bottom", "l1", ...
  AxisSide side = AxisSide::kLeft;
  bool free = false;         // not one of left, right, bottom, top
  double enabLo = 0, enabHi = 1;  // axisEnab: the part of the plot length it spans
  FreePosition freePos;
  double lblPos = 0;         // points from the axis to the label's outer edge; 0 = automatic
  double lblLatPos = 0;      // points along the axis, from the centre of its span
  // Range: manual ends win over autoscaling; NaN ends are autoscaled.
  double manualMin = NAN, manualMax = NAN;
  bool reverse = false;      // SetAxis/R: the autoscaled range runs backwards
  int autoNice = 0;          // SetAxis/A/N=n: 0 data extremes, 1 and 2 round to ticks
  int autoZero = 0;          // SetAxis/A/E=n: 1 include zero, 2 symmetric about zero
  bool hasLabel = false;
  std::string label;         // host text with escapes; "\U" stands for the units
  int grid = 0;              // 0 none, 1 grid and ticks, 2 grid only
  int nticks = 5;            // roughly how many ticks to aim for
  int noLabel = 0;           // 1: no tick labels, 2: no tick labels and no axis label
  int tick = 0;              // 0 outside, 1 crossing, 2 inside, 3 none
  bool minor = false;        // minor ticks between the labelled ones
  double axThick = 1;        // axis line, points
  double fontSize = 0;       // tick and axis labels, points; 0 = default
  int mirror = 0;            // 1: a copy of the axis line on the opposite plot edge
};

struct ErrorBarSetting {
  enum class Kind { kNone, kWave, kConst, kPercent, kSqrt };
  Kind kind = Kind::kNone;
  HostWave* plus = nullptr;
  HostWave* minus = nullptr;
  double value = 0;  // kConst: the bar length, kPercent: percent of the value
};

struct GraphTraceModel {
  HostWave* wave = nullptr;
  HostWave* xWave = nullptr;
  std::string name;          // the trace name used by ModifyGraph(name)
  std::string yAxis, xAxis;
  Rgb rgb = Rgb::From16(65535, 0, 0);
  double lsize = 1;          // points
  int lstyle = 0;            // dash pattern number, 0 solid
  int mode = 0;              // 0 lines, 1 sticks, 2 dots, 3 markers, 4 lines and markers,
                             // 5 bars, 6 cityscape, 7 fill to zero, 8 sticks and markers
  int marker = 0;
  double msize = 0;          // marker size, points; 0 = automatic
  bool hidden = false;
  double xOffset = 0, yOffset = 0;  // offset(t)={x,y}, in data units
  ErrorBarSetting xErr, yErr;
  double errCapWidth = -1;   // ErrorBars/T: cap width in points; -1 = automatic
  double errThick = 1;       // ErrorBars/L: bar line thickness in points
};

// A text box or legend, placed relative to the plot area.
struct GraphAnnotation {
  std::string name;
  bool legend = false;
  std::string text;        // host text with escapes, "\r" between lines
  std::string anchor = "RT";  // two letters: L/M/R then T/C/B
  double xOffset = 0, yOffset = 0;  // percent of the plot width and height, inward
  int frame = 2;           // 0 none, 1 shadow, 2 plain box
  bool transparent = false;
  Rgb background = {1, 1, 1, 1};
  bool exterior = false;   // /E: placed outside the plot area
  // /A, /X, /Y or /E was given: the box stands where the command put it.
  // A legend without any of them is put where it covers the least data.
  bool placed = false;
};

// Coordinates of a drawn object along one direction.
struct DrawCoord {
  enum class Kind { kAbs, kRel, kPlotRel, kAxis };
  Kind kind = Kind::kRel;
  std::string axis;
};

struct GraphLine {
  DrawCoord xCoord, yCoord;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  Rgb colour;
  int dash = 0;
  double thick = 1;  // points
};

struct GraphModel {
  std::string name;
  bool hasRect = false;
  double rect[4] = {0, 0, 0, 0};  // /W=(left,top,right,bottom), points
  std::vector<GraphAxis> axes;    // in the order the traces first named them
  std::vector<GraphTraceModel> traces;
  std::vector<GraphAnnotation> annotations;
  std::vector<GraphLine> lines;
  double margin[4] = {NAN, NAN, NAN, NAN};  // left, top, right, bottom points; NaN = automatic
  bool gaps = true;  // a NaN point interrupts the line
  Rgb windowBackground = {1, 1, 1, 1};
  Rgb plotBackground = {1, 1, 1, 1};
  std::vector<std::string> problems;  // what was left out, one line each

  GraphAxis* FindAxis(std::string_view name);
  const GraphAxis* FindAxis(std::string_view name) const;
};

// Replays the window's commands.  Wave names in the settings (ErrorBars
// waves) are looked for beside the trace's wave, then as the session
// resolves them.
GraphModel BuildGraphModel(const Window& window, Session& session);

// Posts each of the model's problems to the history, one line each, naming
// the window.
void PostGraphProblems(const GraphModel& model, Session& session);

}  // namespace kwt
