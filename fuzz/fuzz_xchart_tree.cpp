// X-Chart tree files as the loader reads them: the header, every group the
// file claims (and one past each end), each group's trace table, and what
// the loader makes from their fields: wave names, units, times and the
// graph's command lines.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "support/byte_reader.h"
#include "support/fixed_text.h"
#include "xchart/xchart_graph.h"
#include "xchart/xchart_names.h"
#include "xchart/xchart_records.h"
#include "xchart/xchart_time.h"
#include "xchart/xchart_tree.h"

namespace {

// Keeps the results alive so that the work is not optimised away.
volatile size_t gSink = 0;

// Groups beyond this are not walked: each costs a few microseconds, and
// the ones in between add nothing the first and the last do not.
constexpr int32_t kMaxWalked = 64;

void Walk(const kwt::ByteSource& source, const kwt::XChartHeader& header, int32_t g) {
  kwt::XChartGroup group;
  if (!kwt::ReadXChartGroup(source, header, g, &group)) return;
  kwt::XChartTraceTable traces;
  size_t sum = static_cast<size_t>(kwt::ReadXChartTraces(source, header, g, &traces));
  sum += kwt::XChartTimeInRange(group.time);
  sum += kwt::XChartAscTime(group.time).size() + kwt::XChartHeadlineTime(group.time).size();

  kwt::XChartGraphRequest request;
  request.header = &header;
  request.traces = &traces;
  request.groupTime = group.time;
  request.headline = request.legend = request.controlPanel = true;
  for (size_t p = 0; p < traces.size(); ++p) {
    const kwt::XChartTrace& t = traces[p];
    const std::string name = kwt::XChartWaveName("", kwt::FieldText(t.name), "s");
    const kwt::UnitPrefix prefix = kwt::SplitUnitPrefix(kwt::FieldText(t.unit));
    sum += prefix.units.size() + static_cast<size_t>(prefix.factor > 1);
    sum += kwt::CommandText(kwt::FieldText(t.name)).size();
    if (kwt::IsActiveTrace(t)) request.waves[p] = name;
  }
  for (const std::string& command : kwt::XChartGraphCommands(request)) sum += command.size();
  gSink = sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kwt::MemorySource source(std::span<const uint8_t>(data, size));
  kwt::XChartHeader header;
  if (!kwt::ReadXChartHeader(source, &header)) return 0;
  const int32_t groups = kwt::XChartGroupsInFile(source, header);
  for (int32_t g = 0; g <= groups + 1 && g <= kMaxWalked; ++g) Walk(source, header, g);
  if (groups + 1 > kMaxWalked) Walk(source, header, groups + 1);
  Walk(source, header, std::numeric_limits<int32_t>::max());
  gSink = gSink + kwt::XChartGroupOffset(header, std::numeric_limits<int32_t>::max()).value_or(0);
  return 0;
}
