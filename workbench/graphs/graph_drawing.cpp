// Replaying SetDrawEnv and DrawLine.
#include <cmath>

#include "workbench/graphs/graph_replay.h"
#include "workbench/host/names.h"

namespace kwt::graph_replay {

bool Drawing::ReadCoord(const SettingItem& item, bool horizontal, DrawCoord* out) {
  if (item.value.kind != SettingValue::Kind::kScalar) return false;
  const std::string v = Lower(item.value.items[0]);
  if (v == "abs") *out = {DrawCoord::Kind::kAbs, ""};
  else if (v == "rel") *out = {DrawCoord::Kind::kRel, ""};
  else if (v == "prel") *out = {DrawCoord::Kind::kPlotRel, ""};
  else {
    const GraphAxis* a = r_.model.FindAxis(item.value.items[0]);
    if (a == nullptr || IsVertical(a->side) == horizontal) return false;
    *out = {DrawCoord::Kind::kAxis, a->name};
  }
  return true;
}

void Drawing::SetDrawEnv(CommandCursor& c) {
  ReadCommandFlags(c);
  std::vector<SettingItem> items;
  std::string bad;
  if (!ReadSettingList(c.Rest(), &items, &bad)) r_.Problem("SetDrawEnv " + bad, "cannot read");
  if (!pending_) pending_ = saved_;
  bool save = false;
  for (const SettingItem& item : items) {
    const std::string key = Lower(item.key);
    const std::string what = "SetDrawEnv " + item.text;
    bool ok = true;
    if (key == "xcoord") ok = ReadCoord(item, true, &pending_->x);
    else if (key == "ycoord") ok = ReadCoord(item, false, &pending_->y);
    else if (key == "linefgc") ok = ParseColour(item.value, &pending_->colour);
    else if (key == "dash") ok = IntegerIn(item.value, 0, 17, &pending_->dash);
    else if (key == "linethick") ok = NumberIn(item.value, 0, 50, &pending_->thick);
    else if (key == "save") save = true;
    else {
      r_.Problem(what, "unknown keyword " + item.key);
      continue;
    }
    if (!ok) r_.Problem(what, "bad value");
  }
  if (save) {
    saved_ = *pending_;
    pending_.reset();
  }
}

void Drawing::DrawLine(CommandCursor& c) {
  ReadCommandFlags(c);
  const DrawEnv env = pending_ ? *pending_ : saved_;
  pending_.reset();  // the environment is used up by this drawing
  const std::vector<std::string> parts = SplitTopLevel(c.Rest());
  double v[4];
  if (parts.size() != 4) return r_.Problem("needs four coordinates");
  for (int i = 0; i < 4; ++i) {
    if (!ParseSettingNumber(parts[i], &v[i]) || !std::isfinite(v[i]))
      return r_.Problem("bad value");
  }
  GraphLine line;
  line.xCoord = env.x;
  line.yCoord = env.y;
  line.x0 = v[0];
  line.y0 = v[1];
  line.x1 = v[2];
  line.y1 = v[3];
  line.colour = env.colour;
  line.dash = env.dash;
  line.thick = env.thick;
  r_.model.lines.push_back(line);
}

}  // namespace kwt::graph_replay
