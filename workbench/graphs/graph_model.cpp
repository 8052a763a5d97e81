// Replaying a graph window's commands into its drawable model.
#include "workbench/graphs/graph_model.h"

#include <algorithm>
#include <cctype>

#include "support/format.h"
#include "workbench/graphs/graph_replay.h"
#include "workbench/graphs/setting_list.h"
#include "workbench/host/session.h"
#include "workbench/syntax/command_line.h"

namespace kwt {
namespace graph_replay {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

std::vector<CommandFlag> ReadCommandFlags(CommandCursor& c) {
  std::vector<CommandFlag> flags;
  kwt::ReadCommandFlags(c, &flags);
  return flags;
}

bool ParseColour(const SettingValue& v, Rgb* out) {
  if (v.kind != SettingValue::Kind::kParen || (v.items.size() != 3 && v.items.size() != 4))
    return false;
  double c[4] = {0, 0, 0, 65535};
  for (size_t i = 0; i < v.items.size(); ++i) {
    if (!ParseSettingNumber(v.items[i], &c[i]) || !(c[i] >= 0 && c[i] <= 65535)) return false;
  }
  *out = Rgb::From16(c[0], c[1], c[2], c[3]);
  return true;
}

bool IntegerIn(const SettingValue& v, int lo, int hi, int* out) {
  double d;
  if (!SettingNumber(v, &d) || !std::isfinite(d)) return false;
  d = std::trunc(d);
  if (d < lo || d > hi) return false;
  *out = static_cast<int>(d);
  return true;
}

bool NumberIn(const SettingValue& v, double lo, double hi, double* out) {
  double d;
  if (!SettingNumber(v, &d) || !(d >= lo && d <= hi)) return false;
  *out = d;
  return true;
}

}  // namespace graph_replay

namespace {

using namespace graph_replay;

// Walks the window's commands once, in order, and builds the model.  Each
// handler reads its own command's text; a fault ends that command (or that
// item of a list) with a problem and never the replay.
class Replayer {
 public:
  Replayer(const Window& window, Session& session, GraphModel& model)
      : window_(window), session_(session), m_(model) {}

  void Run() {
    for (size_t ci = 0; ci < window_.commands.size(); ++ci) {
      replay_.command = &window_.commands[ci];
      CommandCursor c(*replay_.command);
      const std::string word = Lower(c.ReadIdentifier());
      // The interpreter already resolved the traces of the commands that
      // add them; the replay takes them over at the command's place.
      if (word == "display" || word == "appendtograph" || word == "append") AddTraces(ci);
      else if (word == "modifygraph") ModifyGraph(c);
      else if (word == "setaxis") SetAxis(c);
      else if (word == "label") Label(c);
      else if (word == "errorbars") ErrorBars(c);
      else if (word == "legend") annotations_.Annotation(c, true);
      else if (word == "textbox") annotations_.Annotation(c, false);
      else if (word == "appendtext") annotations_.AppendText(c);
      else if (word == "setdrawenv") drawing_.SetDrawEnv(c);
      else if (word == "drawline") drawing_.DrawLine(c);
      else Problem("not a graph command");
    }
  }

 private:
  void Problem(std::string_view what, std::string_view why) { replay_.Problem(what, why); }
  void Problem(std::string_view why) { replay_.Problem(why); }

  GraphTraceModel* FindTrace(std::string_view name) {
    for (GraphTraceModel& t : m_.traces)
      if (SameName(t.name, name)) return &t;
    return nullptr;
  }

  // The axis of that name, made on first use.  Axes keep the order in which
  // traces first named them, which is also the order they are laid out.
  GraphAxis& AxisFor(const std::string& name, AxisSide side) {
    if (GraphAxis* a = m_.FindAxis(name)) return *a;
    GraphAxis a;
    a.name = name;
    a.side = side;
    a.free = !(SameName(name, "left") || SameName(name, "right") || SameName(name, "bottom") ||
               SameName(name, "top"));
    m_.axes.push_back(std::move(a));
    return m_.axes.back();
  }

  // The traces that the command at index ci added, in order.
  void AddTraces(size_t ci) {
    for (const GraphTrace& t : window_.traces) {
      if (t.command != ci) continue;
      GraphTraceModel tm;
      tm.wave = t.wave;
      tm.xWave = t.xWave;
      tm.name = t.name;
      tm.yAxis = t.yAxis;
      tm.xAxis = t.xAxis;
      AxisFor(t.yAxis, SameName(t.yAxis, "right") || t.yOnRight ? AxisSide::kRight : AxisSide::kLeft);
      AxisFor(t.xAxis, SameName(t.xAxis, "top") || t.xOnTop ? AxisSide::kTop : AxisSide::kBottom);
      m_.traces.push_back(std::move(tm));
    }
  }

  // The host resolved the command's wave names in the data folder that was
  // current when it ran, which is no longer known.  The error waves of a
  // trace live beside its wave (the statistics write them together), so
  // that folder is looked in first; a path with a folder resolves as written.
  HostWave* FindWaveNear(std::string_view name, const HostWave* beside) {
    if (name.empty()) return nullptr;
    if (name.find(':') == std::string_view::npos && beside != nullptr && beside->folder != nullptr) {
      if (HostWave* w = beside->folder->FindWave(name)) return w;
    }
    return session_.ResolveWave(name);
  }

  // ---- ModifyGraph ----------------------------------------------------------

  // ModifyGraph [/W=win] [/Z] keyword[(name)]=value [, ...]: each item on
  // its own, so that one bad item leaves the others in force.
  void ModifyGraph(CommandCursor& c) {
    for (const CommandFlag& f : ReadCommandFlags(c)) {
      // /W names the window, which is this one; /Z only asks for silence.
      if (f.name != "w" && f.name != "z") Problem("ModifyGraph/" + f.name, "unknown flag");
    }
    std::vector<SettingItem> items;
    std::string bad;
    if (!ReadSettingList(c.Rest(), &items, &bad)) Problem("ModifyGraph " + bad, "cannot read");
    for (const SettingItem& item : items) Modify(item);
  }

  // One item.  Trace keywords without a name act on every trace shown so
  // far, axis keywords without one on every axis; "margin" without a side
  // sets all four.
  void Modify(const SettingItem& item) {
    const std::string key = Lower(item.key);
    const std::string what = "ModifyGraph " + item.text;
    static const char* const kTraceKeys[] = {"rgb",    "lsize",     "lstyle", "mode",
                                             "marker", "msize",     "hidetrace", "offset"};
    static const char* const kAxisKeys[] = {"axisenab", "freepos", "lblpos",  "lbllatpos",
                                            "grid",     "nticks",  "nolabel", "tick",
                                            "minor",    "axthick", "fsize",   "mirror", "log"};
    if (std::find(std::begin(kTraceKeys), std::end(kTraceKeys), key) != std::end(kTraceKeys)) {
      std::vector<GraphTraceModel*> targets;
      if (item.hasTarget) {
        GraphTraceModel* t = FindTrace(item.target);
        if (t == nullptr) return Problem(what, "no trace named " + item.target);
        targets.push_back(t);
      } else {
        for (GraphTraceModel& t : m_.traces) targets.push_back(&t);
      }
      for (GraphTraceModel* t : targets)
        if (!ModifyTrace(key, item.value, *t)) return Problem(what, "bad value");
      return;
    }
    if (std::find(std::begin(kAxisKeys), std::end(kAxisKeys), key) != std::end(kAxisKeys)) {
      std::vector<GraphAxis*> targets;
      if (item.hasTarget) {
        GraphAxis* a = m_.FindAxis(item.target);
        if (a == nullptr) return Problem(what, "no axis named " + item.target);
        targets.push_back(a);
      } else {
        for (GraphAxis& a : m_.axes) targets.push_back(&a);
      }
      for (GraphAxis* a : targets) {
        std::string why = "bad value";
        if (!ModifyAxis(key, item.value, *a, &why)) return Problem(what, why);
      }
      return;
    }
    if (key == "margin") {
      static const char* const kSides[] = {"left", "top", "right", "bottom"};
      double v;
      if (!NumberIn(item.value, 0, 2000, &v)) return Problem(what, "bad value");
      for (int s = 0; s < 4; ++s) {
        if (!item.hasTarget || SameName(item.target, kSides[s])) m_.margin[s] = v;
      }
      if (item.hasTarget && Lower(item.target) != "left" && Lower(item.target) != "top" &&
          Lower(item.target) != "right" && Lower(item.target) != "bottom")
        Problem(what, "no margin named " + item.target);
      return;
    }
    if (key == "gaps") {
      int v;
      if (item.hasTarget || !IntegerIn(item.value, 0, 1, &v)) return Problem(what, "bad value");
      m_.gaps = v != 0;
      return;
    }
    if (key == "wbrgb" || key == "gbrgb") {
      Rgb c;
      if (!ParseColour(item.value, &c)) return Problem(what, "bad value");
      (key == "wbrgb" ? m_.windowBackground : m_.plotBackground) = c;
      return;
    }
    Problem(what, "unknown keyword " + item.key);
  }

  // The ranges are what the renderer can draw sensibly: line styles 0..17,
  // modes 0..8, markers 0..62, sizes up to 50 points.
  static bool ModifyTrace(const std::string& key, const SettingValue& v, GraphTraceModel& t) {
    if (key == "rgb") return ParseColour(v, &t.rgb);
    if (key == "lsize") return NumberIn(v, 0, 50, &t.lsize);
    if (key == "lstyle") return IntegerIn(v, 0, 17, &t.lstyle);
    if (key == "mode") return IntegerIn(v, 0, 8, &t.mode);
    if (key == "marker") return IntegerIn(v, 0, 62, &t.marker);
    if (key == "msize") return NumberIn(v, 0, 50, &t.msize);
    if (key == "hidetrace") {
      int h;
      if (!IntegerIn(v, 0, 2, &h)) return false;
      t.hidden = h != 0;
      return true;
    }
    // offset={x,y}
    if (v.kind != SettingValue::Kind::kBrace || v.items.size() != 2) return false;
    double x, y;
    if (!ParseSettingNumber(v.items[0], &x) || !ParseSettingNumber(v.items[1], &y) ||
        !std::isfinite(x) || !std::isfinite(y))
      return false;
    t.xOffset = x;
    t.yOffset = y;
    return true;
  }

  // Axis keywords; `why` names the fault when it is more than a bad value.
  bool ModifyAxis(const std::string& key, const SettingValue& v, GraphAxis& a, std::string* why) {
    if (key == "axisenab") {
      double lo, hi;
      if (v.kind != SettingValue::Kind::kBrace || v.items.size() != 2 ||
          !ParseSettingNumber(v.items[0], &lo) || !ParseSettingNumber(v.items[1], &hi))
        return false;
      // The fractions print with four decimals; a hair outside 0..1 is
      // rounding, not a request.
      lo = std::max(lo, 0.0);
      hi = std::min(hi, 1.0);
      if (!(lo < hi)) return false;
      a.enabLo = lo;
      a.enabHi = hi;
      return true;
    }
    // freePos takes points from the plot edge, {value, crossingAxis} or
    // {fraction, kwFraction}.
    if (key == "freepos") {
      double d;
      if (SettingNumber(v, &d)) {
        if (!std::isfinite(d) || std::fabs(d) > 2000) return false;
        a.freePos = {FreePosition::Kind::kPoints, d, ""};
        return true;
      }
      if (v.kind != SettingValue::Kind::kBrace || v.items.size() != 2 ||
          !ParseSettingNumber(v.items[0], &d) || !std::isfinite(d))
        return false;
      if (SameName(v.items[1], "kwFraction")) {
        a.freePos = {FreePosition::Kind::kFraction, d, ""};
        return true;
      }
      const GraphAxis* cross = m_.FindAxis(v.items[1]);
      if (cross == nullptr || IsVertical(cross->side) == IsVertical(a.side)) {
        *why = "no crossing axis named " + v.items[1];
        return false;
      }
      a.freePos = {FreePosition::Kind::kValue, d, cross->name};
      return true;
    }
    if (key == "lblpos") return NumberIn(v, 0, 2000, &a.lblPos);
    if (key == "lbllatpos") return NumberIn(v, -2000, 2000, &a.lblLatPos);
    if (key == "grid") return IntegerIn(v, 0, 2, &a.grid);
    if (key == "nticks") return IntegerIn(v, 0, 100, &a.nticks);
    if (key == "nolabel") return IntegerIn(v, 0, 2, &a.noLabel);
    if (key == "tick") return IntegerIn(v, 0, 3, &a.tick);
    if (key == "axthick") return NumberIn(v, 0, 20, &a.axThick);
    if (key == "fsize") return NumberIn(v, 0, 100, &a.fontSize);
    if (key == "mirror") return IntegerIn(v, 0, 3, &a.mirror);
    int flag;
    if (!IntegerIn(v, 0, 1, &flag)) return false;
    if (key == "log") {
      // The renderer draws linear axes only; say so rather than mislead.
      if (flag != 0) *why = "logarithmic axes are not drawn; the axis stays linear";
      return flag == 0;
    }
    a.minor = flag != 0;
    return true;
  }

  // ---- SetAxis, Label ---------------------------------------------------------

  // SetAxis [/A [/N=n] [/E=n]] [/R] axis [lo, hi]: /A hands both ends back
  // to autoscaling; a "*" end is autoscaled alone.  The last command wins,
  // so "SetAxis/A/N=1 l1" followed by "SetAxis l1 lo,hi" shows lo..hi.
  void SetAxis(CommandCursor& c) {
    bool autoscale = false;
    int nice = 0, zero = 0;
    bool reverse = false;
    for (const CommandFlag& f : ReadCommandFlags(c)) {
      double v = 0;
      if (f.name == "a") {
        autoscale = true;
      } else if ((f.name == "n" || f.name == "e") && f.hasValue && ParseSettingNumber(f.value, &v) &&
                 v >= 0 && v <= 2) {
        (f.name == "n" ? nice : zero) = static_cast<int>(v);
      } else if (f.name == "r") {
        reverse = true;
      } else if (f.name != "w" && f.name != "z") {
        Problem("bad flag /" + f.name);
      }
    }
    std::string name;
    if (!c.ReadName(&name)) return Problem("no axis name");
    GraphAxis* a = m_.FindAxis(name);
    if (a == nullptr) return Problem("no axis named " + name);
    const std::vector<std::string> ends = SplitTopLevel(c.Rest());
    if (autoscale) {
      if (!ends.empty()) return Problem("a range after /A");
      a->manualMin = a->manualMax = NAN;
      a->autoNice = nice;
      a->autoZero = zero;
      a->reverse = reverse;
      return;
    }
    if (ends.size() != 2) return Problem("needs the two ends of the range");
    double lo = NAN, hi = NAN;
    // "*" leaves that end to autoscaling.
    if ((ends[0] != "*" && (!ParseSettingNumber(ends[0], &lo) || !std::isfinite(lo))) ||
        (ends[1] != "*" && (!ParseSettingNumber(ends[1], &hi) || !std::isfinite(hi))))
      return Problem("bad value");
    a->manualMin = lo;
    a->manualMax = hi;
    a->reverse = reverse;
  }

  // Label axis "text": the text keeps its escape codes for the renderer.
  void Label(CommandCursor& c) {
    ReadCommandFlags(c);
    std::string name, text;
    if (!c.ReadName(&name)) return Problem("no axis name");
    GraphAxis* a = m_.FindAxis(name);
    if (a == nullptr) return Problem("no axis named " + name);
    if (!c.ReadQuotedString(&text) || !c.AtEnd()) return Problem("needs one \"text\"");
    a->hasLabel = true;
    a->label = text;
  }

  // ---- ErrorBars ----------------------------------------------------------------

  // ErrorBars [/T=cap /L=thick] trace mode [, bars ...] with mode OFF, X, Y
  // or XY and one setting per direction: wave=(plus,minus), const=c, pct=p or
  // sqrt.  The bars are replaced only when every setting could be read.
  void ErrorBars(CommandCursor& c) {
    double cap = -1, thick = 1;
    for (const CommandFlag& f : ReadCommandFlags(c)) {
      double v;
      if ((f.name == "t" || f.name == "l") && f.hasValue && ParseSettingNumber(f.value, &v) &&
          v >= 0 && v <= 50) {
        (f.name == "t" ? cap : thick) = v;
      } else if (f.name != "w") {
        Problem("bad flag /" + f.name);
      }
    }
    std::string name;
    if (!c.ReadName(&name)) return Problem("no trace name");
    if (c.Peek() == '#') {  // an instance: w#1
      c.Take();
      name += '#';
      while (std::isdigit(static_cast<unsigned char>(c.Peek()))) name += c.Take();
    }
    GraphTraceModel* t = FindTrace(name);
    if (t == nullptr) return Problem("no trace named " + name);
    std::vector<SettingItem> items;
    std::string bad;
    if (!ReadSettingList(c.Rest(), &items, &bad) || items.empty())
      return Problem("cannot read the error bars");
    const std::string mode = Lower(items[0].key);
    if (items[0].hasTarget || !items[0].value.items.empty())
      return Problem("unknown error bar mode " + items[0].text);
    if (mode == "off") {
      t->xErr = t->yErr = ErrorBarSetting();
      return;
    }
    std::vector<ErrorBarSetting*> settings;
    if (mode == "x") settings = {&t->xErr};
    else if (mode == "y") settings = {&t->yErr};
    else if (mode == "xy") settings = {&t->xErr, &t->yErr};
    else return Problem("unknown error bar mode " + items[0].key);
    if (items.size() != settings.size() + 1)
      return Problem(Format("needs %zu error-bar setting(s)", settings.size()));
    ErrorBarSetting parsed[2];
    for (size_t i = 0; i < settings.size(); ++i) {
      if (!ReadErrorBarSetting(items[i + 1], t->wave, &parsed[i]))
        return Problem("bad error-bar setting " + items[i + 1].text);
    }
    for (size_t i = 0; i < settings.size(); ++i) *settings[i] = parsed[i];
    t->errCapWidth = cap;
    t->errThick = thick;
  }

  // One error-bar setting; a wave that cannot be found fails the whole
  // setting, since bars of the wrong length would mislead.
  bool ReadErrorBarSetting(const SettingItem& item, const HostWave* beside, ErrorBarSetting* bars) {
    const std::string key = Lower(item.key);
    if (key == "sqrt") {
      bars->kind = ErrorBarSetting::Kind::kSqrt;
      return item.value.items.empty();
    }
    if (key == "const" || key == "pct") {
      bars->kind = key == "const" ? ErrorBarSetting::Kind::kConst : ErrorBarSetting::Kind::kPercent;
      return SettingNumber(item.value, &bars->value) && std::isfinite(bars->value) &&
             bars->value >= 0;
    }
    if (key != "wave" || item.value.kind != SettingValue::Kind::kParen ||
        item.value.items.size() != 2)
      return false;
    bars->kind = ErrorBarSetting::Kind::kWave;
    // An empty name leaves that side without bars.
    bars->plus = FindWaveNear(item.value.items[0], beside);
    bars->minus = FindWaveNear(item.value.items[1], beside);
    if ((!item.value.items[0].empty() && bars->plus == nullptr) ||
        (!item.value.items[1].empty() && bars->minus == nullptr))
      return false;
    return bars->plus != nullptr || bars->minus != nullptr;
  }

  const Window& window_;
  Session& session_;  // resolves the wave names of error bars
  GraphModel& m_;
  Replay replay_{m_};
  Annotations annotations_{replay_};
  Drawing drawing_{replay_};
};

}  // namespace


GraphAxis* GraphModel::FindAxis(std::string_view name) {
  for (GraphAxis& a : axes)
    if (SameName(a.name, name)) return &a;
  return nullptr;
}

const GraphAxis* GraphModel::FindAxis(std::string_view name) const {
  return const_cast<GraphModel*>(this)->FindAxis(name);
}

GraphModel BuildGraphModel(const Window& window, Session& session) {
  GraphModel model;
  model.name = window.name;
  model.hasRect = window.hasRect;
  std::copy(window.rect, window.rect + 4, model.rect);
  Replayer(window, session, model).Run();
  return model;
}

void PostGraphProblems(const GraphModel& model, Session& session) {
  for (const std::string& p : model.problems)
    session.PostHistory("  " + model.name + ": " + p + "; left out of the picture\r");
}

}  // namespace kwt
