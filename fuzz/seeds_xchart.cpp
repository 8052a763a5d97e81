// Seeds for the X-Chart readers, written by the recording writer: tree
// files of two groups in both byte orders, with the usual and with larger
// stored record sizes and without a group count; data files of a group
// behind the 12 bytes that stand for its group and trace table.
#include <string>

#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/seeds.h"
#include "tests/testkit/xchart_writer.h"

namespace {

using kwt::ByteOrder;
using kwt::test::XChartRecording;

// A time base, displayed traces in shared and separate slots, a hidden one,
// an unnamed one, auto-zero, prefixed units, and a second group with
// little-endian samples.
XChartRecording Recording(ByteOrder order) {
  XChartRecording rec;
  rec.treeOrder = order;
  kwt::test::SetText(rec.header.identification, "seed");
  kwt::test::SetText(rec.header.title, "Seed \"title\".chart");
  auto& g1 = rec.AddGroup(1.0e9);
  kwt::test::SetText(g1.record.description[0], "description");
  g1.SetTrace(0, "t", "s", 0, {0, 1, 2});
  auto& vm = g1.SetTrace(1, "Vm-1", "mV", 1, {-70, kwt::test::XChartMissingValue(), -60}).record;
  vm.style = 9;
  vm.height = 2;
  g1.SetTrace(2, "I", "pA", 1, {1, 2, 3}).record.autoZeroApplied = 1;
  g1.SetTrace(3, "Ca", "\xB5M", 4, {0.1f, 0.2f, 0.3f}).record.height = 0;
  g1.SetTrace(4, "hidden", "C", 0, {30, 31, 32});
  g1.SetTrace(5, "", "V", 2, {5, 5, 5});
  auto& g2 = rec.AddGroup(123456789.0);
  g2.record.sampleOrder = 1;
  g2.SetTrace(0, "t", "s", 0, {0, 1});
  g2.SetTrace(16, "last", "nA", 16, {7, 8});
  kwt::test::LayOutXChartData(rec);
  return rec;
}

// The 12 bytes the data target reads first, for group `g` of `rec`.
std::vector<uint8_t> DataSeed(const XChartRecording& rec, size_t g, uint32_t skip, uint8_t stop) {
  const auto& group = rec.groups[g];
  uint32_t active = 0;
  for (size_t p = 0; p < group.traces.size(); ++p)
    if (kwt::IsActiveTrace(group.traces[p].record)) active |= 1u << p;
  const auto points = static_cast<uint16_t>(group.record.points);
  const auto offset = static_cast<uint16_t>(group.record.sampleOffset);
  std::vector<uint8_t> bytes = {
      static_cast<uint8_t>(active), static_cast<uint8_t>(active >> 8),
      static_cast<uint8_t>(active >> 16), group.record.sampleOrder,
      static_cast<uint8_t>(points), static_cast<uint8_t>(points >> 8),
      static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8),
      static_cast<uint8_t>(skip), static_cast<uint8_t>(skip >> 8),
      static_cast<uint8_t>(skip >> 16), stop};
  const std::vector<uint8_t> data = kwt::test::XChartDataBytes(rec);
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

const kwt::test::SeedRegistration kXChart([](std::vector<kwt::test::Seed>& seeds) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    const std::string suffix = order == ByteOrder::kBig ? "_big" : "_little";
    XChartRecording rec = Recording(order);
    seeds.push_back({"fuzz_xchart_tree", "two_groups" + suffix, kwt::test::XChartTreeBytes(rec)});

    XChartRecording larger = rec;
    larger.rootSize = 1800;
    larger.groupSize = 1200;
    larger.traceSize = 100;
    seeds.push_back({"fuzz_xchart_tree", "larger" + suffix, kwt::test::XChartTreeBytes(larger)});

    XChartRecording uncounted = rec;
    uncounted.countGroups = false;
    seeds.push_back(
        {"fuzz_xchart_tree", "uncounted" + suffix, kwt::test::XChartTreeBytes(uncounted)});
  }
  const XChartRecording rec = Recording(ByteOrder::kBig);
  seeds.push_back({"fuzz_xchart_data", "group1", DataSeed(rec, 0, 0, 0xFF)});
  seeds.push_back({"fuzz_xchart_data", "group1_skips", DataSeed(rec, 0, 0x14, 0xFF)});
  seeds.push_back({"fuzz_xchart_data", "group1_stops", DataSeed(rec, 0, 0, 2)});
  seeds.push_back({"fuzz_xchart_data", "group2_little", DataSeed(rec, 1, 0, 0xFF)});
});

}  // namespace
