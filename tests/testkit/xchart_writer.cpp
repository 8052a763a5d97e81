#include "tests/testkit/xchart_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>

#include "tests/testkit/byte_writer.h"
#include "tests/testkit/tree_writer.h"
#include "tests/testkit/pulse_writer.h"

namespace kwt::test {
namespace {

// ---- Where each field lies ------------------------------------------------
//
// Offsets of the stored records as this writer knows them.  Text fields are
// stored at their width; a text of the full width has no NUL in the file.

template <size_t N>
void Text(ByteWriter& w, size_t offset, const char (&field)[N]) {
  w.StoreText(offset, std::string_view(field), N - 1);
}

// The root record: the header fields after the tree's framing (file offset
// 20 on), over padding.
std::vector<uint8_t> Root(const XChartRecording& rec) {
  ByteWriter w(rec.treeOrder);
  w.PutFill(kXChartHeaderSize - 20, rec.padding);
  Text(w, 0, rec.header.identification);
  Text(w, 34, rec.header.title);
  const int16_t count =
      rec.countGroups ? static_cast<int16_t>(rec.groups.size()) : rec.header.groupCount;
  w.StoreI16(532, count);
  return w.Take();
}

void Group(ByteWriter& w, size_t at, const XChartGroup& g) {
  for (int line = 0; line < kXChartDescriptionLines; ++line)
    w.StoreText(at + static_cast<size_t>(line) * 80, std::string_view(g.description[line]), 80);
  StoreFields(w, at, {{1076, g.points}, {1080, g.sampleOffset}, {1089, g.sampleOrder},
                      {1092, g.time}});
}

void Trace(ByteWriter& w, size_t at, const XChartTrace& t) {
  StoreFields(w, at, {{0, t.active}, {22, Txt(t.name)}, {34, Txt(t.unit)}, {46, t.style},
                      {48, t.ticks}, {50, t.axisMin}, {58, t.axisMax}, {66, t.slot},
                      {68, t.height}, {70, t.colour}, {78, t.autoZeroApplied},
                      {80, t.autoZero}});
}

uint8_t FlagOf(const XChartFixtureTrace& t) {
  if (t.flag) return *t.flag;
  return IsActiveTrace(t.record) ? 1 : 0;
}

bool HasSamples(const XChartFixtureTrace& t) { return IsActiveTrace(t.record) && FlagOf(t) != 0; }

}  // namespace

float XChartMissingValue() { return std::bit_cast<float>(uint32_t{0x72FC6F6C}); }

XChartFixtureTrace& XChartFixtureGroup::SetTrace(int position, std::string_view name,
                                           std::string_view unit, int16_t slot,
                                           std::vector<float> samples) {
  XChartFixtureTrace& t = traces.at(static_cast<size_t>(position));
  t.record = XChartTrace{};
  t.record.active = 1;
  SetText(t.record.name, name);
  SetText(t.record.unit, unit);
  t.record.ticks = 5;
  t.record.axisMin = -1.0;
  t.record.axisMax = 1.0;
  t.record.slot = slot;
  t.record.height = 1;
  t.record.colour = static_cast<int16_t>(position);
  t.samples = std::move(samples);
  return t;
}

XChartFixtureGroup& XChartRecording::AddGroup(double time) {
  XChartFixtureGroup& g = groups.emplace_back();
  g.record.time = time;
  return g;
}

void LayOutXChartData(XChartRecording& rec) {
  uint64_t at = rec.dataStart;
  for (XChartFixtureGroup& g : rec.groups) {
    if (!g.placeData) continue;
    size_t points = 0;
    for (const XChartFixtureTrace& t : g.traces) points = std::max(points, t.samples.size());
    g.record.points = static_cast<int32_t>(points);
    g.record.sampleOffset = static_cast<int32_t>(at);
    for (const XChartFixtureTrace& t : g.traces) at += 1 + (HasSamples(t) ? points * 4 : 0);
  }
}

std::vector<uint8_t> XChartTreeBytes(const XChartRecording& rec) {
  // Root, groups, traces: every group holds all its trace records.  Each
  // record is padding where no field lies: bytes the module must not read
  // as a field.
  const std::array<int32_t, 3> sizes = {rec.rootSize, rec.groupSize, rec.traceSize};
  TreeWriter tree(rec.treeOrder, rec.levelCount, sizes, rec.padding);
  tree.Put(0, Root(rec), rec.groups.size());
  for (const XChartFixtureGroup& g : rec.groups) {
    tree.Put(1, EncodeXChartGroup(g.record, rec.treeOrder, kXChartGroupSize, rec.padding),
             kXChartTraces);
    for (const XChartFixtureTrace& t : g.traces)
      tree.Put(2, EncodeXChartTrace(t.record, rec.treeOrder, kXChartTraceSize, rec.padding), 0);
  }
  return tree.Take();
}

std::vector<uint8_t> XChartDataBytes(const XChartRecording& rec) {
  std::vector<uint8_t> out(rec.dataStart, rec.padding);
  for (const XChartFixtureGroup& g : rec.groups) {
    if (!g.placeData) continue;
    ByteWriter w(g.record.sampleOrder == 1 ? ByteOrder::kLittle : ByteOrder::kBig);
    const size_t points = static_cast<size_t>(std::max(g.record.points, 0));
    for (const XChartFixtureTrace& t : g.traces) {
      w.PutU8(FlagOf(t));
      if (!HasSamples(t)) continue;
      for (size_t i = 0; i < points; ++i) w.PutF32(i < t.samples.size() ? t.samples[i] : 0.0f);
    }
    const std::vector<uint8_t> bytes = w.Take();
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

std::vector<uint8_t> EncodeXChartGroup(const XChartGroup& group, ByteOrder order, size_t size,
                                       uint8_t padding) {
  const auto store = [](ByteWriter& w, const XChartGroup& g) { Group(w, 0, g); };
  return EncodeRecord(group, order, kXChartGroupSize, store, padding, size);
}

std::vector<uint8_t> EncodeXChartTrace(const XChartTrace& trace, ByteOrder order, size_t size,
                                       uint8_t padding) {
  const auto store = [](ByteWriter& w, const XChartTrace& t) { Trace(w, 0, t); };
  return EncodeRecord(trace, order, kXChartTraceSize, store, padding, size);
}

XChartFiles WriteXChartRecording(const XChartRecording& recording,
                                 const std::filesystem::path& treeFile) {
  XChartRecording laidOut = recording;
  LayOutXChartData(laidOut);
  XChartFiles files;
  files.tree = treeFile;
  files.data = treeFile;
  files.data.replace_extension("grp");
  WriteFileBytes(files.tree, XChartTreeBytes(laidOut));
  WriteFileBytes(files.data, XChartDataBytes(laidOut));
  return files;
}

}  // namespace kwt::test
