#include "resources/dialogs.h"

#include <string>

#include "resources/resources.h"

namespace kwt::resources {
namespace {

using K = ControlKind;

// Builds a description control by control.  The calculators' rows repeat,
// so their descriptions are made in loops rather than written out.
struct Builder {
  DialogDesc desc;

  Builder(int32_t id, std::string title, int16_t width, int16_t height) {
    desc.id = id;
    desc.title = std::move(title);
    desc.width = width;
    desc.height = height;
  }

  Builder& Add(int32_t id, K kind, std::string text, int x, int y, int w, int h,
               uint32_t flags = 0, std::string name = {}, std::string unit = {}) {
    ControlDesc c;
    c.id = id;
    c.kind = kind;
    c.text = std::move(text);
    c.x = static_cast<int16_t>(x);
    c.y = static_cast<int16_t>(y);
    c.width = static_cast<int16_t>(w);
    c.height = static_cast<int16_t>(h);
    c.flags = flags;
    c.name = std::move(name);
    c.unit = std::move(unit);
    desc.controls.push_back(std::move(c));
    return *this;
  }
  Builder& Label(int32_t id, std::string text, int x, int y, int w) {
    return Add(id, K::kLabel, std::move(text), x, y, w, 8);
  }
  Builder& Field(int32_t id, int x, int y, int w, std::string name, std::string unit,
                 std::string initial = {}) {
    return Add(id, K::kEdit, std::move(initial), x, y, w, 12, 0, std::move(name),
               std::move(unit));
  }
  Builder& Output(int32_t id, int x, int y, int w, std::string name, std::string unit) {
    return Add(id, K::kEdit, {}, x, y, w, 12, kControlReadOnly, std::move(name),
               std::move(unit));
  }
  Builder& Check(int32_t id, std::string text, int x, int y, int w) {
    return Add(id, K::kCheckBox, std::move(text), x, y, w, 10);
  }
  Builder& Radio(int32_t id, std::string text, int x, int y, int w, int32_t group) {
    Add(id, K::kRadio, std::move(text), x, y, w, 10);
    desc.controls.back().group = group;
    return *this;
  }
  Builder& Edit(int32_t id, int x, int y, int w, std::string initial = {}) {
    return Add(id, K::kEdit, std::move(initial), x, y, w, 12);
  }
  // A read-only text of several lines.
  Builder& Text(int32_t id, int x, int y, int w, int h) {
    return Add(id, K::kEdit, {}, x, y, w, h, kControlReadOnly | kControlMultiLine);
  }
  // The command line these dialogs build (field 5) and the four buttons
  // that run it, place it, copy it or close the dialog.
  Builder& CommandButtons(int y, int width) {
    Label(99, "Command", 7, y, 60);
    Text(5, 7, y + 10, width - 14, 24);
    const int buttons = y + 40;
    Add(1, K::kButton, "Do It", 7, buttons, 56, 14, kControlDefault);
    Add(3, K::kButton, "To Cmd Line", 7 + (width - 77) / 3, buttons, 56, 14);
    Add(4, K::kButton, "To Clip", 7 + 2 * (width - 77) / 3, buttons, 56, 14);
    return Add(2, K::kButton, "Cancel", width - 63, buttons, 56, 14);
  }
  Builder& Popup(int32_t id, int x, int y, int w, std::string name) {
    // The height is that of the open list.
    return Add(id, K::kPopup, {}, x, y, w, 120, 0, std::move(name));
  }
  // The three buttons every calculator ends with.
  Builder& CalculatorButtons(int y, int width) {
    Add(1, K::kButton, "Calculate", 7, y, 56, 14, kControlDefault);
    Add(3, K::kButton, "To History", (width - 56) / 2, y, 56, 14);
    return Add(2, K::kButton, "Exit", width - 63, y, 56, 14);
  }
};

std::string Numbered(const char* stem, int n) { return stem + std::to_string(n); }

// The About box: the bitmap, a title line, the credit lines and OK.
DialogDesc About() {
  Builder b(kAboutDialogId, std::string(kAboutTitle), 289, 114);
  b.Add(3, K::kPicture, "105", 7, 7, 98, 78);
  b.Add(2, K::kLabel, "KWT version 0.1", 113, 7, 169, 19);
  b.Add(5, K::kLabel, std::string(AboutText()), 114, 35, 169, 50);
  b.Add(1, K::kButton, "OK", 131, 93, 50, 14, kControlDefault);
  return b.desc;
}

// ---- The wave utilities and X-Chart -----------------------------------------

inline constexpr int kWaveDialogWidth = 330;
// Where the role's own controls start, right of the input list.
inline constexpr int kRoleX = 165;

// What the three wave-utility dialogs share: the input tree (8) with
// "From Target" (9), the second list (13: the x wave, or the reference
// wave of Slim Waves), the command and the buttons.
Builder WaveUtilDialog(int32_t id, std::string title, std::string secondList) {
  Builder b(id, std::move(title), kWaveDialogWidth, 238);
  b.Label(100, "Input Waves", 7, 7, 150);
  b.Add(8, K::kMultiList, {}, 7, 17, 150, 134);
  b.Check(9, "From Target", 7, 155, 80);
  b.Label(101, std::move(secondList), kRoleX, 7, 158);
  b.Add(13, K::kList, {}, kRoleX, 17, 158, 60);
  b.CommandButtons(176, kWaveDialogWidth);
  return b;
}

DialogDesc AutoStatsDialog() {
  Builder b = WaveUtilDialog(kAutoStatsDialogId, "AutoStats", "X Wave");
  b.Check(11, "Create Graph", kRoleX, 84, 76).Check(10, "Create Table", kRoleX + 80, 84, 76);
  b.Check(15, "Append to Window", kRoleX, 98, 76).Check(16, "WaveStats mode", kRoleX + 80, 98, 76);
  b.Check(17, "Create Min Max", kRoleX, 112, 76).Check(14, "Scale Waves", kRoleX + 80, 112, 76);
  b.Label(102, "Base name", kRoleX, 130, 46).Edit(19, kRoleX + 50, 128, 108);
  return b.desc;
}

// The y range is one of three radio buttons (group 1); "Manual" takes the
// minimum and maximum fields.
DialogDesc PlotWavesDialog() {
  Builder b = WaveUtilDialog(kPlotWavesDialogId, "Plot Waves", "X Wave");
  b.Check(11, "Create Graph", kRoleX, 84, 76).Check(10, "Create Table", kRoleX + 80, 84, 76);
  b.Check(15, "Use Color", kRoleX, 96, 76).Check(16, "Overlay Traces", kRoleX + 80, 96, 76);
  b.Radio(23, "Global Extrema", kRoleX, 110, 76, 1);
  b.Radio(24, "Individual Extrema", kRoleX + 80, 110, 78, 1);
  b.Radio(25, "Manual", kRoleX, 122, 76, 1);
  b.Label(103, "Minimum:", kRoleX, 136, 36).Edit(28, kRoleX + 38, 134, 38);
  b.Label(104, "Maximum:", kRoleX + 80, 136, 36).Edit(29, kRoleX + 118, 134, 40);
  b.Check(18, "Draw Zero Line", kRoleX, 150, 66);
  b.Label(105, "at", kRoleX + 80, 150, 10).Edit(20, kRoleX + 94, 148, 40, "0");
  b.Check(17, "Draw Base Line", kRoleX, 162, 76);
  return b.desc;
}

// Three ways of thinning (radio group 1), each factor beside its button.
DialogDesc SlimWavesDialog() {
  Builder b = WaveUtilDialog(kSlimWavesDialogId, "Slim Waves", "Ref Wave");
  b.Radio(15, "Use every", kRoleX, 86, 56, 1).Edit(20, kRoleX + 60, 84, 30, "2");
  b.Label(106, "points", kRoleX + 94, 86, 40);
  b.Radio(16, "Average", kRoleX, 100, 56, 1).Edit(21, kRoleX + 60, 98, 30, "2");
  b.Label(107, "points", kRoleX + 94, 100, 40);
  b.Radio(17, "XChart Mode", kRoleX, 114, 76, 1);
  b.Label(108, "Suffix", kRoleX, 132, 46).Edit(23, kRoleX + 50, 130, 108, "slim");
  return b.desc;
}

// The file, its group and the options of the load on the left, the
// group's information on the right.
DialogDesc XChartDialog() {
  Builder b(kXChartDialogId, "Load X-Chart File", kWaveDialogWidth, 230);
  b.Add(7, K::kButton, "File...", 7, 7, 50, 14);
  b.Add(8, K::kEdit, {}, 62, 8, 261, 12, kControlReadOnly);
  b.Label(100, "X-Chart Group", 7, 30, 58).Popup(25, 70, 28, 50, {});
  b.Label(101, "Base Name", 7, 46, 58).Edit(11, 70, 44, 80);
  b.Label(102, "Suffix", 7, 62, 58).Edit(13, 70, 60, 80);
  b.Check(14, "Load all Traces", 7, 80, 140);
  b.Check(15, "Plot Traces", 7, 92, 140);
  b.Check(16, "Draw Headline", 17, 104, 130);
  b.Check(17, "Append Legend", 17, 116, 130);
  b.Check(18, "Open Control Panel", 17, 128, 130);
  b.Check(19, "Overwrite existing waves", 7, 142, 140);
  b.Check(20, "No Message", 7, 154, 140);
  b.Label(103, "File Information", 160, 30, 163);
  b.Text(24, 160, 40, 163, 126);
  b.CommandButtons(168, kWaveDialogWidth);
  return b.desc;
}

// The file browser: the file and the popups across the top, the two
// information panes, then the preview with its view buttons, the Stimuli
// filter and the options, and the command at the bottom.
DialogDesc BrowserDialog() {
  using namespace browser_controls;
  constexpr int kWidth = 711;
  Builder b(kBrowserDialogId, "Load Pulse/PatchMaster File", kWidth, 457);
  b.Add(kFileButton, K::kButton, "File...", 7, 7, 50, 14);
  b.Add(kPathField, K::kEdit, {}, 62, 8, 642, 12, kControlReadOnly);
  b.Label(100, "Group", 7, 28, 30).Popup(kGroupPopup, 40, 26, 150, "group");
  b.Label(101, "Series", 200, 28, 30).Popup(kSeriesPopup, 232, 26, 150, "series");
  b.Add(kSeriesPrev, K::kButton, "<", 386, 26, 14, 13).Add(kSeriesNext, K::kButton, ">", 402, 26, 14, 13);
  b.Label(102, "Sweep", 425, 28, 28).Popup(kSweepPopup, 455, 26, 80, "sweep");
  b.Add(kSweepPrev, K::kButton, "<", 539, 26, 14, 13).Add(kSweepNext, K::kButton, ">", 555, 26, 14, 13);
  b.Label(103, "Trace", 575, 28, 28).Popup(kTracePopup, 605, 26, 64, "trace");
  b.Add(kTracePrev, K::kButton, "<", 673, 26, 14, 13).Add(kTraceNext, K::kButton, ">", 689, 26, 14, 13);
  b.Check(kFastPopups, "Fast Popups", 7, 42, 80);
  b.Add(kLeftTitle, K::kEdit, {}, 7, 56, 345, 12, kControlReadOnly);
  b.Text(kLeftText, 7, 70, 345, 100);
  b.Add(kRightTitle, K::kEdit, {}, 359, 56, 345, 12, kControlReadOnly);
  b.Text(kRightText, 359, 70, 345, 100);

  b.Add(kPreview, K::kDrawing, {}, 7, 176, 330, 215);
  const char* views[] = {"Up", "Down", "Left", "Right", "Grow", "Shrink", "-> <-", "<- ->",
                         "Clear", "Reset"};
  const int32_t viewIds[] = {kViewUp, kViewDown, kViewLeft, kViewRight, kViewGrow,
                             kViewShrink, kViewNarrow, kViewWiden, kViewClear, kViewReset};
  for (int i = 0; i < 10; ++i)
    b.Add(viewIds[i], K::kButton, views[i], 342 + 44 * (i % 2), 176 + 16 * (i / 2), 40, 14);
  b.Check(kOverlay, "overlay", 342, 258, 80);

  b.Add(200, K::kGroup, "Stimuli", 342, 274, 130, 117);
  b.Add(kStimuliList, K::kMultiList, {}, 348, 285, 72, 100);
  b.Radio(kStimOff, "off", 424, 287, 44, 1);
  b.Radio(kStimInclude, "include", 424, 301, 44, 1);
  b.Radio(kStimExclude, "exclude", 424, 315, 44, 1);

  b.Add(201, K::kGroup, "Options", 478, 176, 226, 215);
  b.Label(104, "Base Name", 484, 190, 44).Field(kBaseName, 530, 188, 90, "base-name", "");
  b.Label(105, "Range", 484, 206, 44).Field(kRange, 530, 204, 90, "range", "");
  const char* checks[] = {"Load Leak Trace", "Get Stimulus Template", "Load 2nd Trace",
                          "Overwrite Waves", "Plot Traces", "Absolute Time", "Load Fura",
                          "Calculate Lockin", "Prevent History Printing", "Subtrract Zero Data"};
  for (int i = 0; i < 10; ++i)
    b.Check(kLoadLeak + i, checks[i], 484 + 110 * (i % 2), 224 + 14 * (i / 2), 106);
  b.Label(106, "Phase Shift", 484, 298, 60).Field(kPhaseShift, 550, 296, 60, "phase-shift", "deg");
  b.Label(107, "V-reversal", 484, 314, 60).Field(kVReversal, 550, 312, 60, "v-reversal", "V");
  b.CommandButtons(400, kWidth);
  return b.desc;
}

// Six buffer rows (popup, total, free), the Mg and Ca rows, then the
// options.  The labels 43 to 48 number the rows.  The option fields start
// with values that compute; the calculation brings any value into range.
DialogDesc FreeCaMg() {
  Builder b(kFreeCaMgDialogId, "Calculate free Calcium & Magnesium", 320, 228);
  b.Add(31, K::kGroup, "Concentration", 7, 7, 306, 154);
  b.Label(13, "Total/M", 110, 17, 60).Label(22, "Free/M", 180, 17, 60);
  for (int i = 0; i < 6; ++i) {
    const int y = 29 + 16 * i;
    b.Label(43 + i, std::to_string(i + 1), 14, y + 2, 8);
    b.Popup(5 + i, 26, y, 78, Numbered("buffer", i + 1));
    b.Field(14 + i, 110, y, 64, Numbered("total", i + 1), "M");
    b.Output(23 + i, 180, y, 64, Numbered("free", i + 1), "M");
  }
  b.Label(100, "Magnesium", 26, 127, 78);
  b.Field(20, 110, 125, 64, "total-mg", "M").Output(29, 180, 125, 64, "free-mg", "M");
  b.Label(101, "Calcium", 26, 143, 78);
  b.Field(21, 110, 141, 64, "total-ca", "M").Output(30, 180, 141, 64, "free-ca", "M");
  b.Add(41, K::kGroup, "Options", 7, 165, 306, 34);
  b.Label(102, "Convergence", 14, 179, 44).Field(35, 60, 177, 30, "convergence", "%", "0.1");
  b.Label(103, "%", 92, 179, 8);
  b.Label(104, "Iterations", 106, 179, 36).Field(36, 144, 177, 40, "iterations", "", "10000");
  b.Label(105, "pH", 192, 179, 12).Field(38, 206, 177, 28, "ph", "", "7.2");
  b.Label(106, "Correction", 242, 179, 38).Field(40, 282, 177, 24, "correction", "", "0");
  b.CalculatorButtons(207, 320);
  return b.desc;
}

// Ion and buffer, each total and free, with Kd; the outputs below.
DialogDesc BufferCapacity() {
  Builder b(kBufferCapacityDialogId, "Calculate Buffer Capacity", 220, 150);
  b.Add(20, K::kGroup, "Input", 7, 7, 206, 66);
  b.Label(100, "Total/M", 60, 17, 60).Label(101, "Free/M", 130, 17, 60);
  b.Label(102, "Ion", 14, 29, 40);
  b.Field(9, 60, 27, 64, "total-ion", "M").Field(11, 130, 27, 64, "free-ion", "M");
  b.Label(103, "Buffer", 14, 43, 40);
  b.Field(10, 60, 41, 64, "total-buffer", "M").Field(12, 130, 41, 64, "free-buffer", "M");
  b.Label(104, "KDiss.", 14, 57, 40).Field(14, 60, 55, 64, "kd", "M");
  b.Label(105, "M", 128, 57, 10);
  b.Add(25, K::kGroup, "Output", 7, 77, 206, 54);
  b.Label(106, "Buffer-Ion/M", 14, 89, 60).Output(16, 80, 87, 64, "complexed", "M");
  b.Label(107, "Buffer Capacity", 14, 103, 60).Output(18, 80, 101, 64, "capacity", "");
  b.Label(108, "max. B.-Ratio", 14, 117, 60).Output(24, 80, 115, 64, "max-ratio", "");
  b.CalculatorButtons(135, 220);
  return b.desc;
}

// The labels of the parameters and of the units change with the quantity.
DialogDesc Patcher() {
  Builder b(kPatcherDialogId, "Patcher's Calculator", 270, 154);
  b.Label(100, "Function", 14, 10, 40);
  b.Popup(5, 56, 8, 100, "function").Popup(15, 162, 8, 100, "quantity");
  b.Add(19, K::kGroup, "Input", 7, 26, 256, 62);
  for (int j = 0; j < 3; ++j) {
    const int y = 38 + 16 * j;
    b.Label(6 + j, Numbered("Parameter ", j + 1), 14, y + 2, 70);
    // The unit of a parameter depends on the quantity; label 12 + j shows it.
    b.Field(9 + j, 86, y, 80, Numbered("p", j + 1), "");
    b.Label(12 + j, {}, 170, y + 2, 40);
  }
  b.Add(21, K::kGroup, "Output", 7, 94, 256, 30);
  b.Output(16, 86, 106, 80, "result", "").Label(17, {}, 170, 108, 40);
  b.CalculatorButtons(132, 270);
  return b.desc;
}

// Ten rows: eight with an ion popup (numbered by the labels 72 to 79) and
// two custom ions; each has its check box and four number fields.
DialogDesc JunctionPotential() {
  Builder b(kJunctionPotentialDialogId, "Liquid Junction Potential", 270, 210);
  b.Label(100, "Ion", 26, 10, 70).Label(101, "Pip./mM [a]", 100, 10, 40);
  b.Label(102, "Bath/mM [a]", 144, 10, 40).Label(103, "val [z]", 188, 10, 28);
  b.Label(104, "mob [u]", 220, 10, 34);
  for (int r = 0; r < 10; ++r) {
    const int y = 22 + 14 * r;
    const int row = r + 1;
    if (r < 8) b.Label(72 + r, std::to_string(row), 4, y + 2, 8);
    b.Add(9 + r, K::kCheckBox, {}, 14, y + 1, 10, 10, 0, Numbered("include", row));
    if (r < 8) b.Popup(19 + r, 26, y, 70, Numbered("ion", row));
    else b.Label(27 + (r - 8), Numbered("Custom Ion ", r - 7), 26, y + 2, 70);
    b.Field(29 + r, 100, y, 40, Numbered("pip", row), "mM");
    b.Field(39 + r, 144, y, 40, Numbered("bath", row), "mM");
    b.Field(49 + r, 188, y, 28, Numbered("z", row), "");
    b.Field(59 + r, 220, y, 34, Numbered("u", row), "");
  }
  b.Label(105, "LJ Potential", 14, 168, 50).Output(70, 66, 166, 50, "ljp", "mV");
  b.Label(106, "mV", 118, 168, 12);
  b.Label(107, "Temperature", 136, 168, 44).Field(81, 182, 166, 30, "temperature", "deg. C", "20");
  b.Label(108, "deg. C", 214, 168, 26);
  b.CalculatorButtons(188, 270);
  return b.desc;
}

// Built once, on first use; every dialog of the module by rising id.
const std::vector<DialogDesc>& Table() {
  static const std::vector<DialogDesc> table = {
      AutoStatsDialog(), PlotWavesDialog(), SlimWavesDialog(), BrowserDialog(), XChartDialog(), About(),
      FreeCaMg(),        BufferCapacity(),  Patcher(),         JunctionPotential()};
  return table;
}

}  // namespace

const DialogDesc* FindDialog(int32_t id) {
  for (const DialogDesc& d : Table())
    if (d.id == id) return &d;
  return nullptr;
}

std::vector<const DialogDesc*> AllDialogs() {
  std::vector<const DialogDesc*> all;
  for (const DialogDesc& d : Table()) all.push_back(&d);
  return all;
}

}  // namespace kwt::resources
