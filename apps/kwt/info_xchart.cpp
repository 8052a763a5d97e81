// kwt info for X-Chart tree files (".tree"): the header, then each group
// with its start time (in the date style of the other recordings), point
// count, description lines and traces.  A group that a load cannot read is
// marked damaged.  The text is short already: --full shows the same.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "info.h"
#include "support/byte_reader.h"
#include "support/fixed_text.h"
#include "support/pulse_time.h"
#include "workbench/host/encoding.h"
#include "xchart/xchart_data.h"
#include "xchart/xchart_records.h"
#include "xchart/xchart_time.h"
#include "xchart/xchart_tree.h"

namespace kwt {
namespace {

// Tree files of other formats begin with the same magic; the extension
// tells an X-Chart tree from them.
bool HasTreeExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == "tree";
}

std::string Utf8(std::string_view text) { return Cp1252ToUtf8(text); }

// A group's start time as the other recordings' info shows theirs; none for
// a time no calendar text can show.
std::string TimeText(double seconds) {
  if (!XChartTimeInRange(seconds)) return {};
  std::string text;
  FormatPulseTime(&text, seconds, false);
  return text;
}

// Why a load cannot read a group: "" when it can.
std::string GroupDamage(bool readable, const XChartGroup& group) {
  if (!readable) return "its record is cut short";
  if (group.points < 0) return "its point count " + std::to_string(group.points) + " is negative";
  return {};
}

const char* OrderName(ByteOrder order) { return order == ByteOrder::kBig ? "big" : "little"; }

struct GroupInfo {
  XChartGroup record;
  XChartTraceTable traces{};
  int32_t active = 0;  // active traces
  int32_t shown = 0;   // of them, those with a display slot
};

GroupInfo ReadGroupInfo(const ByteSource& tree, const XChartHeader& header, int32_t g, bool* ok) {
  GroupInfo info;
  *ok = ReadXChartGroup(tree, header, g, &info.record);
  if (!*ok) return info;
  ReadXChartTraces(tree, header, g, &info.traces);
  for (const XChartTrace& t : info.traces) {
    if (!IsActiveTrace(t)) continue;
    ++info.active;
    if (t.slot > 0) ++info.shown;
  }
  return info;
}

void PrintText(const std::string& path, const ByteSource& tree, const XChartHeader& h,
               int32_t groups) {
  std::printf("%s\n", path.c_str());
  std::printf("X-Chart %s\n", Utf8(FieldText(h.identification)).c_str());
  std::printf("Title: %s\n", Utf8(FieldText(h.title)).c_str());
  std::printf("Tree: %s-endian, record sizes %d, %d, %d\n", OrderName(h.order), h.rootSize,
              h.groupSize, h.traceSize);
  std::printf("Groups: %d\n", groups);
  for (int32_t g = 1; g <= groups; ++g) {
    bool ok = false;
    const GroupInfo info = ReadGroupInfo(tree, h, g, &ok);
    const std::string damage = GroupDamage(ok, info.record);
    if (!damage.empty()) {
      std::printf("Group %d: damaged: %s\n", g, damage.c_str());
      if (!ok) break;
      continue;
    }
    const XChartGroup& r = info.record;
    const std::string time = TimeText(r.time);
    std::printf("Group %d: %s, %d points, %s-endian samples at %d\n", g,
                time.empty() ? "(no valid time)" : time.c_str(), r.points,
                OrderName(XChartSampleOrder(r)), r.sampleOffset);
    for (const auto& line : r.description)
      if (!FieldText(line).empty()) std::printf("  %s\n", Utf8(FieldText(line)).c_str());
    for (int p = 0; p < kXChartTraces; ++p) {
      const XChartTrace& t = info.traces[static_cast<size_t>(p)];
      if (!IsActiveTrace(t)) continue;
      std::printf("  trace %2d: %s [%s]", p, Utf8(FieldText(t.name)).c_str(),
                  Utf8(FieldText(t.unit)).c_str());
      if (t.slot > 0) std::printf(", slot %d", t.slot);
      else std::printf(", not displayed");
      if (t.autoZeroApplied != 0) std::printf(", auto-zero %g", static_cast<double>(t.autoZero));
      std::printf("\n");
    }
    std::printf("  %d of %d traces shown\n", info.shown, info.active);
  }
}

void PrintJson(const std::string& path, const ByteSource& tree, const XChartHeader& h,
               int32_t groups) {
  nlohmann::ordered_json doc;
  doc["file"] = path;
  doc["format"] = "X-Chart";
  doc["identification"] = Utf8(FieldText(h.identification));
  doc["title"] = Utf8(FieldText(h.title));
  doc["byte_order"] = OrderName(h.order);
  doc["record_sizes"] = {h.rootSize, h.groupSize, h.traceSize};
  doc["groups"] = nlohmann::ordered_json::array();
  for (int32_t g = 1; g <= groups; ++g) {
    bool ok = false;
    const GroupInfo info = ReadGroupInfo(tree, h, g, &ok);
    if (!ok) {
      doc["unreadable_group"] = g;
      break;
    }
    const XChartGroup& r = info.record;
    nlohmann::ordered_json group;
    group["group"] = g;
    const std::string damage = GroupDamage(ok, r);
    group["damaged"] = !damage.empty();
    if (!damage.empty()) group["damage"] = damage;
    if (XChartTimeInRange(r.time)) {
      group["time"] = r.time;
      group["time_text"] = TimeText(r.time);
    } else {
      group["time"] = nullptr;
      group["time_text"] = nullptr;
    }
    group["points"] = r.points;
    group["sample_offset"] = r.sampleOffset;
    group["sample_order"] = OrderName(XChartSampleOrder(r));
    group["description"] = nlohmann::ordered_json::array();
    for (const auto& line : r.description)
      if (!FieldText(line).empty()) group["description"].push_back(Utf8(FieldText(line)));
    group["traces"] = nlohmann::ordered_json::array();
    for (int p = 0; p < kXChartTraces; ++p) {
      const XChartTrace& t = info.traces[static_cast<size_t>(p)];
      if (!IsActiveTrace(t)) continue;
      nlohmann::ordered_json trace;
      trace["position"] = p;
      trace["name"] = Utf8(FieldText(t.name));
      trace["unit"] = Utf8(FieldText(t.unit));
      trace["slot"] = t.slot;
      trace["height"] = t.height;
      trace["style"] = t.style;
      trace["colour"] = t.colour;
      trace["axis"] = {t.axisMin, t.axisMax};
      if (t.autoZeroApplied != 0) trace["auto_zero"] = t.autoZero;
      else trace["auto_zero"] = nullptr;
      group["traces"].push_back(std::move(trace));
    }
    group["shown"] = info.shown;
    doc["groups"].push_back(std::move(group));
  }
  // NaN and infinities cannot stand in JSON: they are written as null.  A
  // path that is not UTF-8 has its stray bytes replaced rather than fail.
  const auto replace = nlohmann::ordered_json::error_handler_t::replace;
  InfoPrintJson(doc.dump(2, ' ', false, replace));
}

InfoAnswer ShowXChart(const std::string& path, const InfoOptions& options) {
  if (!HasTreeExtension(path)) return InfoAnswer::kNotMine;
  const FileSource tree(path);
  XChartHeader header;
  if (!tree.is_open() || !ReadXChartHeader(tree, &header)) {
    InfoFailure(path + " is not an X-Chart tree file kwt can read");
    return InfoAnswer::kFailed;
  }
  const int32_t groups = XChartGroupsInFile(tree, header);
  if (options.json) PrintJson(path, tree, header, groups);
  else PrintText(path, tree, header, groups);
  return InfoAnswer::kShown;
}

const InfoRegistration kXChartInfo(30, &ShowXChart);

}  // namespace
}  // namespace kwt
