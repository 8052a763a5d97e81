// A writer of X-Chart recordings for tests, seeds and the demo: the tree
// file and the data file, built from a description in code.
//
//   XChartRecording rec;                        // big-endian tree by default
//   XChartFixtureGroup& group = rec.AddGroup(1.0e9);
//   group.SetTrace(0, "t", "s", 0, {0, 1, 2});  // the time base
//   group.SetTrace(1, "Vm", "mV", 1, {-70, -65, -60});
//   XChartFiles files = WriteXChartRecording(rec, dir / "cell.tree");
//
// The description uses the module's record structs, so a test can set any
// field the module reads; where the fields go in the files is this writer's
// own knowledge, written out offset by offset, so that the module's layout
// tables and this writer check each other.
//
// Stored record sizes (R, G, T) may be set larger than the known fields;
// the bytes the module does not read (the unused fields between the known
// ones, and everything beyond them) are filled with `padding`.  Samples are
// written in the byte order of each group's sampleOrder byte.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "support/byte_reader.h"
#include "xchart/xchart_records.h"

namespace kwt::test {

// The float whose 32 bits are the missing-sample mark 0x72FC6F6C.
float XChartMissingValue();

struct XChartFixtureTrace {
  XChartTrace record;
  // Stored samples; a trace shorter than the group's point count is padded
  // with zeros.
  std::vector<float> samples;
  // The present flag written for the trace; by default 1 for an active
  // trace and 0 for an inactive one.  Samples are written only when the
  // record is active and the flag is non-zero.
  std::optional<uint8_t> flag;
};

struct XChartFixtureGroup {
  XChartGroup record;
  std::array<XChartFixtureTrace, kXChartTraces> traces;
  // When true, the writer sets points to the longest trace's sample count
  // and sampleOffset to where it puts the group's flags; when false both
  // stay as given and nothing of the group goes into the data file.
  bool placeData = true;

  // Makes `position` an active trace: style 0, 5 ticks, axis -1 to 1,
  // height 1, colour index = position, no auto-zero.
  XChartFixtureTrace& SetTrace(int position, std::string_view name, std::string_view unit,
                            int16_t slot, std::vector<float> samples);
};

struct XChartRecording {
  ByteOrder treeOrder = ByteOrder::kBig;
  int32_t levelCount = 3;    // written at offset 4, not read by the module
  int32_t rootSize = 1732;   // R
  int32_t groupSize = 1138;  // G
  int32_t traceSize = 88;    // T
  uint8_t padding = 0xA5;
  // Bytes of padding in the data file ahead of the first placed group.
  uint32_t dataStart = 0;

  // identification, title and groupCount are written; the header's order
  // and sizes come from the fields above.
  XChartHeader header;
  // When true, the header's groupCount is written as the number of groups.
  bool countGroups = true;
  std::vector<XChartFixtureGroup> groups;

  // A group starting at `time` (seconds since 1990) with big-endian
  // samples and no traces.
  XChartFixtureGroup& AddGroup(double time = 1.0e9);
};

// Sets points and sampleOffset of every group with placeData, in order
// from dataStart on.
void LayOutXChartData(XChartRecording& recording);

// The file contents.  The tree follows the layout the groups hold, so call
// LayOutXChartData first (WriteXChartRecording does).
std::vector<uint8_t> XChartTreeBytes(const XChartRecording& recording);
std::vector<uint8_t> XChartDataBytes(const XChartRecording& recording);

// One stored record alone, `size` bytes (cut, or padded with `padding`
// behind the known fields), for tests of the decoders.
std::vector<uint8_t> EncodeXChartGroup(const XChartGroup& group, ByteOrder order,
                                       size_t size = kXChartGroupSize, uint8_t padding = 0);
std::vector<uint8_t> EncodeXChartTrace(const XChartTrace& trace, ByteOrder order,
                                       size_t size = kXChartTraceSize, uint8_t padding = 0);

struct XChartFiles {
  std::filesystem::path tree;
  std::filesystem::path data;
};

// Lays out a copy of the recording and writes the tree file at `treeFile`
// and the data file beside it with the extension "grp".  Throws
// std::runtime_error when a file cannot be written.
XChartFiles WriteXChartRecording(const XChartRecording& recording,
                                 const std::filesystem::path& treeFile);

}  // namespace kwt::test
