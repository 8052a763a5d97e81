// Replaying Legend, TextBox and AppendText.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "support/format.h"
#include "workbench/graphs/graph_replay.h"
#include "workbench/host/names.h"

namespace kwt::graph_replay {

GraphAnnotation* Annotations::FindAnnotation(std::string_view name) {
  for (GraphAnnotation& a : r_.model.annotations)
    if (SameName(a.name, name)) return &a;
  return nullptr;
}

void Annotations::Annotation(CommandCursor& c, bool legend) {
  const char* const command = legend ? "Legend" : "TextBox";
  std::string name;
  bool kill = false;
  GraphAnnotation opts;
  opts.legend = legend;
  bool hasAnchor = false, hasX = false, hasY = false, hasFrame = false, hasBack = false;
  bool hasExterior = false;
  for (const CommandFlag& f : ReadCommandFlags(c)) {
    double v = 0;
    const std::string upper = [&] {
      std::string u = f.value;
      for (char& ch : u) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      return u;
    }();
    if (f.name == "n" && f.hasValue) {
      name = UnquoteName(f.value);
    } else if (f.name == "a" && f.hasValue && upper.size() == 2 &&
               std::string_view("LMR").find(upper[0]) != std::string_view::npos &&
               std::string_view("TCB").find(upper[1]) != std::string_view::npos) {
      opts.anchor = upper;
      hasAnchor = true;
    } else if ((f.name == "x" || f.name == "y") && f.hasValue && ParseSettingNumber(f.value, &v) &&
               std::fabs(v) <= 200) {
      (f.name == "x" ? opts.xOffset : opts.yOffset) = v;
      (f.name == "x" ? hasX : hasY) = true;
    } else if (f.name == "f" && f.hasValue && ParseSettingNumber(f.value, &v) && v >= 0 &&
               v <= 2) {
      opts.frame = static_cast<int>(v);
      hasFrame = true;
    } else if (f.name == "b" && f.hasValue) {
      SettingValue colour;
      colour.kind = SettingValue::Kind::kParen;
      if (!f.value.empty() && f.value.front() == '(' && f.value.back() == ')')
        colour.items = SplitTopLevel(std::string_view(f.value).substr(1, f.value.size() - 2));
      if (ParseSettingNumber(f.value, &v) && (v == 0 || v == 1 || v == 2)) {
        opts.transparent = v != 0;
      } else if (ParseColour(colour, &opts.background)) {
        opts.transparent = false;
      } else {
        r_.Problem(Format("%s/B=%s", command, f.value.c_str()), "bad value");
        continue;
      }
      hasBack = true;
    } else if (f.name == "e") {
      opts.exterior = !f.hasValue || (ParseSettingNumber(f.value, &v) && v != 0);
      hasExterior = true;
    } else if (f.name == "k") {
      kill = true;
    } else if (f.name != "c" && f.name != "j" && f.name != "w") {
      r_.Problem(Format("%s/%s", command, f.name.c_str()), "unknown flag");
    }
  }
  std::string text;
  bool hasText = false;
  c.SkipSpace();
  if (c.Peek() == '"') {
    if (!c.ReadQuotedString(&text)) return r_.Problem("text not closed");
    hasText = true;
  }
  if (!c.AtEnd()) r_.Problem("text after the quoted text");
  if (name.empty()) name = Format("text%d", nextName_++);
  if (kill) {
    auto& boxes = r_.model.annotations;
    boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                               [&](const GraphAnnotation& a) { return SameName(a.name, name); }),
                boxes.end());
    return;
  }
  GraphAnnotation* a = FindAnnotation(name);
  const bool placing = hasAnchor || hasX || hasY || hasExterior;
  if (a == nullptr) {
    opts.name = name;
    opts.placed = placing;
    if (legend && !hasText) {
      // A legend without text lists the traces shown now.
      for (const GraphTraceModel& t : r_.model.traces) {
        if (!text.empty()) text += '\r';
        text += "\\s(" + QuoteNameIfNeeded(t.name) + ") " + t.name;
      }
      hasText = true;
    }
    r_.model.annotations.push_back(opts);
    a = &r_.model.annotations.back();
  } else {
    // Changing an annotation keeps what the command does not set.
    if (hasAnchor) a->anchor = opts.anchor;
    if (hasX) a->xOffset = opts.xOffset;
    if (hasY) a->yOffset = opts.yOffset;
    if (hasFrame) a->frame = opts.frame;
    if (hasBack) {
      a->transparent = opts.transparent;
      a->background = opts.background;
    }
    if (hasExterior) a->exterior = opts.exterior;
    if (placing) a->placed = true;
  }
  if (hasText) a->text = text;
  lastAnnotation_ = a->name;
}

void Annotations::AppendText(CommandCursor& c) {
  std::string name = lastAnnotation_;
  bool newLine = true;
  for (const CommandFlag& f : ReadCommandFlags(c)) {
    if (f.name == "n" && f.hasValue) name = UnquoteName(f.value);
    else if (f.name == "nocr") newLine = false;
    else if (f.name != "w") r_.Problem("AppendText/" + f.name, "unknown flag");
  }
  std::string text;
  if (!c.ReadQuotedString(&text) || !c.AtEnd()) return r_.Problem("needs one \"text\"");
  GraphAnnotation* a = name.empty() ? nullptr : FindAnnotation(name);
  if (a == nullptr)
    return r_.Problem(name.empty() ? "no text box to append to" : "no text box named " + name);
  if (newLine && !a->text.empty()) a->text += '\r';
  a->text += text;
  lastAnnotation_ = a->name;
}

}  // namespace kwt::graph_replay
