#include "xchart/xchart_graph.h"

#include <algorithm>
#include <numeric>

#include "support/fixed_text.h"
#include "support/format.h"
#include "waveutils/wave_util_support.h"
#include "xchart/xchart_names.h"
#include "xchart/xchart_time.h"

namespace kwt {
namespace {

constexpr float kGap = 2.5f;  // percent between neighbouring bands

constexpr XChartStyle kStyles[] = {
    {2, 0}, {3, 0}, {3, 2}, {3, 7}, {3, 1}, {3, 5}, {0, 0},
    {0, 0}, {4, 0}, {4, 2}, {4, 7}, {4, 1}, {4, 5},
};

constexpr const char* kColours[] = {
    "0,0,0",          "39321,1,1",         "1,39321,1",         "1,1,39321",
    "4369,4369,4369", "52428,1,1",         "1,52428,1",         "1,1,52428",
    "8738,8738,8738", "65535,0,0",         "0,65535,0",         "0,0,65535",
    "13107,13107,13107", "65535,16385,16385", "16385,65535,16385", "16385,16385,65535",
};

// A slot's share of the height: heights below 1 would give a band of no
// or negative height, so they count as 1.
int SlotHeight(const XChartTrace& trace) { return trace.height < 1 ? 1 : trace.height; }

// The title as the headline shows it: up to its last "." (the file name's
// extension goes), or whole when it has none.
std::string HeadlineTitle(const XChartHeader& header) {
  std::string_view title = FieldText(header.title);
  const size_t dot = title.rfind('.');
  if (dot != std::string_view::npos) title = title.substr(0, dot);
  return CommandText(title);
}

// An axisEnab bound: percent to a fraction, kept within the plot (a band
// that ends a rounding step below 0 would print as -0.0000).
double Fraction(float percent) { return std::clamp(percent * 0.01f, 0.0f, 1.0f); }

}  // namespace

XChartStyle XChartStyleOf(uint8_t style) {
  return style < std::size(kStyles) ? kStyles[style] : XChartStyle{0, 0};
}

const char* XChartColourOf(int16_t colour) {
  return colour >= 0 && colour < static_cast<int16_t>(std::size(kColours)) ? kColours[colour]
                                                                            : kColours[0];
}

std::vector<std::string> XChartGraphCommands(const XChartGraphRequest& r) {
  const XChartTraceTable& traces = *r.traces;
  const auto drawn = [&](int p) {
    const XChartTrace& t = traces[static_cast<size_t>(p)];
    return IsActiveTrace(t) && t.slot > 0 && !r.waves[static_cast<size_t>(p)].empty();
  };

  // Positions 1 to 16 in slot order; traces of one slot keep their table
  // order.  Position 0, the time base, is never drawn.
  std::array<int, kXChartTraces - 1> order{};
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return traces[static_cast<size_t>(a)].slot < traces[static_cast<size_t>(b)].slot;
  });

  // Each slot counts once, with the height of its first drawn trace; the
  // other traces of the slot use the same height, so they share its band.
  std::array<int, kXChartTraces> heightOf{};  // per position: its slot's height
  int total = 0;
  int slots = 0;
  int slotHeight = 0;
  int lastSlot = 0;
  for (int p : order) {
    if (!drawn(p)) continue;
    const XChartTrace& t = traces[static_cast<size_t>(p)];
    if (slots == 0 || t.slot != lastSlot) {
      slotHeight = SlotHeight(t);
      total += slotHeight;
      ++slots;
      lastSlot = t.slot;
    }
    heightOf[static_cast<size_t>(p)] = slotHeight;
  }

  std::vector<std::string> out;
  const std::string& xWave = r.waves[0];
  out.push_back("Display/W=(10,40,436,520)");
  out.push_back("ModifyGraph margin(left)=90,gaps=0");
  if (r.headline) {
    out.push_back("ModifyGraph margin(top)=72");
    out.push_back(Format("TextBox/C/N=text0/J/A=MT/X=0/Y=-10 \"\\JC%s\"",
                         HeadlineTitle(*r.header).c_str()));
    out.push_back(Format("AppendText/N=text0 \"%s\"",
                         CommandText(XChartHeadlineTime(r.groupTime)).c_str()));
  }
  if (r.legend) out.push_back("TextBox/C/N=text1/J/A=RC/X=0/Y=0");

  const float avail = 100.0f - static_cast<float>(slots - 1) * kGap;
  float top = 100.0f;
  float bottom = 100.0f;
  bool first = true;
  int currentSlot = 0;
  for (int p : order) {
    if (!drawn(p)) continue;
    const XChartTrace& t = traces[static_cast<size_t>(p)];
    const std::string& wave = r.waves[static_cast<size_t>(p)];
    // A new slot starts its band one gap below the band above.
    if (first) {
      currentSlot = t.slot;
      first = false;
    } else if (t.slot > currentSlot) {
      top = bottom - kGap;
      currentSlot = t.slot;
    }
    bottom = top - static_cast<float>(heightOf[static_cast<size_t>(p)]) /
                       static_cast<float>(total) * avail;

    const std::string axis = Format("l%d", t.slot);
    const char* a = axis.c_str();
    const char* w = wave.c_str();
    const UnitPrefix prefix = SplitUnitPrefix(FieldText(t.unit));
    const XChartStyle style = XChartStyleOf(t.style);
    if (xWave.empty()) out.push_back(Format("AppendToGraph/L=%s %s", a, w));
    else out.push_back(Format("AppendToGraph/L=%s %s vs %s", a, w, xWave.c_str()));
    out.push_back(Format("ModifyGraph axisEnab(%s)={%.4f,%.4f},freePos(%s)=0", a, Fraction(bottom),
                         Fraction(top), a));
    out.push_back(Format("ModifyGraph mode(%s)=%d,marker(%s)=%d", w, style.mode, w, style.marker));
    out.push_back(Format("ModifyGraph rgb(%s)=(%s)", w, XChartColourOf(t.colour)));
    out.push_back(Format("SetAxis %s %g,%g", a, t.axisMin * prefix.factor,
                         t.axisMax * prefix.factor));
    out.push_back(Format("Label %s \"[\\U]\"", a));
    out.push_back(Format("ModifyGraph lblPos(%s)=60,lblLatPos=0", a));
    out.push_back(Format("ModifyGraph grid(%s)=1,nticks(%s)=%d", a, a, t.ticks));
    if (r.legend) {
      const std::string entry =
          Format("\\s(%s) %s", w, CommandText(FieldText(t.name)).c_str());
      out.push_back(Format("AppendText/N=text1 \"%s\"", entry.c_str()));
    }
  }
  out.push_back("ModifyGraph gaps=0");
  if (r.controlPanel) out.push_back("KWTGraphControl ()");
  return out;
}

void DrawXChartGraph(const XChartGraphRequest& request) {
  const std::vector<std::string> commands = XChartGraphCommands(request);
  PausedUpdates paused;
  for (const std::string& command : commands) SendCommand(command);
}

}  // namespace kwt
