// A writer of Pulse recordings for tests, seeds and the demo: the .pul
// acquisition tree, the .pgf stimulus tree and the raw data file, built from
// a description in code.
//
//   PulseRecording rec;                      // big-endian trees by default
//   rec.AddStimulation("IV").AddSegment(kSegmentConstant, -0.08, 0.01);
//   PulseSeries& series = rec.AddGroup("cell 1").AddSeries();
//   series.AddSweep({1, 2, 3});              // int16 samples, big-endian
//   PulseFiles files = WritePulseRecording(rec, dir / "cell.dat");
//
// The description uses the module's record structs, so a test can set any
// field the module reads; where the fields go in the files is this writer's
// own knowledge (pulse_writer.cpp), kept apart from the module's tables so
// that each checks the other.
//
// Sizes: each level's stored record size may be set smaller than the known
// fields (the record is cut) or larger (the rest is filled with `padding`).
// Samples: each trace is written in the format and byte order that the
// sweep's kindBits and sampleFormat give (SetSampleLayout sets them).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "pulse/pulse_records.h"
#include "pulse/pulse_stimulus.h"
#include "support/byte_reader.h"

namespace kwt::test {

// Stores `text` in a fixed text field, cut to the field's width.
template <size_t N>
void SetText(char (&field)[N], std::string_view text) {
  for (size_t i = 0; i < N; ++i) field[i] = i < text.size() && i + 1 < N ? text[i] : '\0';
}

// Sets kind bits 0 and 3 (so that sampleFormat applies), bit 4 for
// little-endian samples, and the sample format.
void SetSampleLayout(SweepRecord& sweep, int32_t format, ByteOrder order);

struct PulseSweep {
  SweepRecord record;
  // Stored sample values (whole numbers for the integer formats), written
  // in the sweep's own format; shorter traces are padded with zeros.
  std::vector<double> trace;
  std::vector<double> leak;    // written when record.hasLeak
  std::vector<double> second;  // written when record.hasSecondTrace
  // Written when the sweep's stimulation has hasFura set, furaPoints each.
  std::array<std::vector<float>, 3> fura;
  // When true, the writer sets dataPoints to the length of `trace` and
  // dataOffset to where it puts the samples; when false both stay as given.
  bool placeData = true;
};

struct PulseSeries {
  SeriesRecord record;
  std::vector<PulseSweep> sweeps;
  // A sweep with stimulation 1, sweepNumber = its place in the series,
  // factor1 = factor2 = 1, kind bits 0 (16-bit big-endian samples).
  PulseSweep& AddSweep(std::vector<double> trace = {});
};

struct PulseGroup {
  GroupRecord record;
  std::vector<PulseSeries> series;
  // A series in Whole Cell mode, holding -0.07 V, bandwidth 3000 Hz, unit1
  // "A".
  PulseSeries& AddSeries();
};

struct PulseStimulation {
  StimulationRecord record;
  std::vector<SegmentRecord> segments;
  // A segment whose level and duration do not change over the protocol
  // (factors 1, increments 0).
  PulseStimulation& AddSegment(uint8_t segmentClass, double voltage, double duration);
};

struct PulseRecording {
  ByteOrder pulOrder = ByteOrder::kBig;
  ByteOrder pgfOrder = ByteOrder::kBig;
  // Level counts written in the headers (the record sizes written are
  // always four and three).
  int32_t pulLevels = 4;
  int32_t pgfLevels = 3;
  // Stored record sizes: root, group, series, sweep; root, stimulation,
  // segment.
  std::array<int32_t, 4> pulRecordSizes = {438, 106, 440, 200};
  std::array<int32_t, 3> pgfRecordSizes = {74, 376, 50};
  // Fills stored bytes beyond the known fields, and the data file ahead of
  // dataStart.
  uint8_t padding = 0xA5;
  // Where the samples of the first placed sweep begin in the data file.
  uint32_t dataStart = 0;

  RootRecord root;
  PgfRootRecord pgfRoot;
  std::vector<PulseGroup> groups;
  std::vector<PulseStimulation> stimulations;

  PulseGroup& AddGroup(std::string_view label = {});
  // A stimulation with sample interval 1e-4 s and one protocol sweep.
  PulseStimulation& AddStimulation(std::string_view name);
};

// Sets dataOffset and dataPoints of every sweep with placeData, in file
// order from dataStart on; the same recording always gets the same layout.
void LayOutPulseData(PulseRecording& recording);

// The file contents.  The data bytes follow the layout the sweeps hold, so
// call LayOutPulseData first (WritePulseRecording does).
std::vector<uint8_t> PulseAcquisitionTreeBytes(const PulseRecording& recording);
std::vector<uint8_t> PulseStimulusTreeBytes(const PulseRecording& recording);
std::vector<uint8_t> PulseDataBytes(const PulseRecording& recording);

// Each record alone at its known size, for tests of the decoders: the
// fields this writer knows stored over `base` (zeros where it is shorter),
// so the bytes of the placeholder fields are those of `base`.
std::vector<uint8_t> EncodeRootRecord(const RootRecord& r, ByteOrder order,
                                      std::span<const uint8_t> base = {});
std::vector<uint8_t> EncodeGroupRecord(const GroupRecord& r, ByteOrder order,
                                       std::span<const uint8_t> base = {});
std::vector<uint8_t> EncodeSeriesRecord(const SeriesRecord& r, ByteOrder order,
                                        std::span<const uint8_t> base = {});
std::vector<uint8_t> EncodeSweepRecord(const SweepRecord& r, ByteOrder order,
                                       std::span<const uint8_t> base = {});
std::vector<uint8_t> EncodePgfRootRecord(const PgfRootRecord& r, ByteOrder order,
                                         std::span<const uint8_t> base = {});
std::vector<uint8_t> EncodeStimulationRecord(const StimulationRecord& r, ByteOrder order,
                                             std::span<const uint8_t> base = {});
std::vector<uint8_t> EncodeSegmentRecord(const SegmentRecord& r, ByteOrder order,
                                         std::span<const uint8_t> base = {});

struct PulseFiles {
  std::filesystem::path data;
  std::filesystem::path pul;
  std::filesystem::path pgf;
};

// Lays out a copy of the recording and writes the data file at `dataFile`
// and the trees beside it, named like it with the extensions "pul" and
// "pgf" (lower case).  Throws std::runtime_error when a file cannot be
// written.
PulseFiles WritePulseRecording(const PulseRecording& recording,
                               const std::filesystem::path& dataFile);

// Reads the recording's two trees into the module's trees straight from
// memory (no files), after laying out a copy of it; true when both reads
// succeed.
bool LoadPulseTrees(const PulseRecording& recording);

// Writes bytes to a file (throws std::runtime_error on failure).
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace kwt::test
