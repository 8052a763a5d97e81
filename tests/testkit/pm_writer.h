// A writer of PatchMaster recordings for tests, seeds and the demo: the
// four trees (pulsed, stimulus, amplifier, solution) and the samples, as one
// bundle file ("DAT2" header with its item table, samples and trees in one
// file) or as a data file beside sibling tree files.
//
//   PmRecording rec;                               // little-endian trees
//   PmStimulation& stim = rec.AddStimulation("IV");
//   stim.AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 0.01);
//   PmSweep& sweep = rec.AddGroup("cell").AddSeries().AddSweep();
//   sweep.AddTrace("Imon", {1, 2, 3});             // int16, little-endian
//   WritePmBundle(rec, dir / "cell.dat");
//
// The description uses the module's record structs, so a test sets any
// field the module reads; where each field lies in its stored record is
// this writer's own knowledge (pm_writer.cpp), kept apart from the module's
// tables so that each checks the other.  The bytes of a record that hold no
// field the module reads are filled with `padding`, so that a decoder that
// reads at a wrong offset picks up the pattern instead of a quiet zero.
//
// Sizes: each level's stored record size may be set smaller than the known
// size (the record is cut) or larger (the rest is filled with `padding`).
// Samples: each trace is written in its own format (trDataFormat) and byte
// order (trDataKind bit 0), contiguous or, for a sweep with an interleave
// block, in blocks interleaved with the sweep's other traces.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "patchmaster/pm_bundle.h"
#include "patchmaster/pm_records.h"
#include "support/byte_reader.h"
#include "tests/testkit/pulse_writer.h"

namespace kwt::test {

// Sets the sample format and bit 0 of trDataKind (set: little-endian).
void SetPmSampleLayout(PmTraceRecord& trace, uint8_t format, ByteOrder order);

struct PmTrace {
  PmTraceRecord record;
  // Stored sample values (whole numbers for the integer formats).
  std::vector<double> samples;
  // When true, the writer sets trDataOffset, trDataPoints (the number of
  // samples) and the interleave fields; when false all stay as given and
  // the samples are written where they point.
  bool placeData = true;
};

struct PmSweep {
  PmSweepRecord record;
  std::vector<PmTrace> traces;
  // When above 0, the samples of the sweep's placed traces are stored in
  // blocks of this many bytes, one block of each trace in turn: a trace's
  // blocks lie interleaveBlock x (placed traces) bytes apart.
  int32_t interleaveBlock = 0;
  // A trace with that label, scaler 1, x interval 1e-4 s, unit "A", int16
  // little-endian samples and trTraceCount = its place in the sweep.
  PmTrace& AddTrace(std::string_view label, std::vector<double> samples = {});
};

struct PmSeries {
  PmSeriesRecord record;
  std::vector<PmSweep> sweeps;
  // A sweep of stimulation stimNo with swSweepNumber = its place.
  PmSweep& AddSweep(int32_t stimNo = 1);
};

struct PmGroup {
  PmGroupRecord record;
  std::vector<PmSeries> series;
  PmSeries& AddSeries(std::string_view label = {});
};

struct PmChannel {
  PmChannelRecord record;
  std::vector<PmSegmentRecord> segments;
  // A stored segment whose level and duration do not change over the
  // protocol (factors 1, increments 0).
  PmChannel& AddSegment(uint8_t segmentClass, double voltage, double duration);
};

struct PmStimulation {
  PmStimulationRecord record;
  std::vector<PmChannel> channels;
  // An analog output channel that records (chDacMode 1, chAdcMode 1),
  // linked to trace `linkedTrace`, output `dacChannel`.
  PmChannel& AddChannel(int32_t linkedTrace, int16_t dacChannel = 0);
};

struct PmAmpSeries {
  std::vector<AmpStateRecord> states;
  AmpStateRecord& AddState();
};

struct PmSolution {
  SolutionRecord record;
  int32_t chemicals = 0;  // chemical records written below it
};

// How one tree file is written.
template <size_t Levels>
struct PmTreeLayout {
  ByteOrder order = ByteOrder::kLittle;
  int32_t levels = static_cast<int32_t>(Levels);  // written in the header
  std::array<int32_t, Levels> sizes{};            // stored record sizes
};

struct PmRecording {
  PmTreeLayout<5> pul{ByteOrder::kLittle, 5, {544, 128, 1312, 160, 384}};
  PmTreeLayout<4> pgf{ByteOrder::kLittle, 4, {584, 248, 400, 80}};
  PmTreeLayout<3> amp{ByteOrder::kLittle, 3, {80, 16, 560}};
  PmTreeLayout<3> sol{ByteOrder::kLittle, 3, {88, 160, 40}};
  // Trees written at all (bundle item or sibling file).
  bool writeAmplifier = true;
  bool writeSolution = true;
  // Fills the bytes of records that hold no field, stored bytes beyond the
  // known sizes and the gaps in the data.
  uint8_t padding = 0xA5;

  // Bundle: byte 52 of the header (0: header stored big-endian).
  uint8_t headerLittleEndian = 1;
  // Sibling arrangement: the first bytes of the data file ("DAT1", "DATA"
  // or anything else), and where the samples begin in it.
  std::string dataSignature = "DAT1";
  uint32_t siblingDataStart = 64;

  PmRootRecord root;
  std::vector<PmGroup> groups;
  std::vector<PmStimulation> stimulations;
  std::vector<PmAmpSeries> ampSeries;
  std::vector<PmSolution> solutions;

  PmGroup& AddGroup(std::string_view label = {});
  // A stimulation with sample interval 1e-4 s and one protocol sweep.
  PmStimulation& AddStimulation(std::string_view name);
  PmAmpSeries& AddAmpSeries();
  PmSolution& AddSolution(std::string_view name);
};

// Sets the byte order of all four trees and of the bundle header.
void SetPmByteOrder(PmRecording& rec, ByteOrder order);

// Places the samples of every placed trace from `dataStart` on, in file
// order, and sets their offsets, points and interleave fields.
void LayOutPmData(PmRecording& rec, uint64_t dataStart);

// The tree files' contents as the recording stands.
std::vector<uint8_t> PulsedTreeBytes(const PmRecording& rec);
std::vector<uint8_t> StimulusTreeBytes(const PmRecording& rec);
std::vector<uint8_t> AmplifierTreeBytes(const PmRecording& rec);
std::vector<uint8_t> SolutionTreeBytes(const PmRecording& rec);

// The samples of every trace written at the offsets the records hold, into
// `data` (grown with padding as needed; bytes before the samples are kept).
void PutPmSamples(const PmRecording& rec, std::vector<uint8_t>& data);

// A whole bundle: the header, the samples from offset 256 (item 0, ".dat"),
// then the pulsed, stimulus, amplifier and solution trees as items 1 to 4
// (items 3 and 4 absent when not written).  Lays out a copy of the
// recording first.
std::vector<uint8_t> PmBundleBytes(const PmRecording& rec);

// Offset of item i's entry in the bundle header, for tests that alter it.
inline constexpr size_t BundleItemEntryOffset(size_t item) { return 64 + 16 * item; }

struct PmFiles {
  std::filesystem::path data;
  std::filesystem::path pul;  // empty in a bundle
  std::filesystem::path pgf;
  std::filesystem::path amp;
  std::filesystem::path sol;
};

// Writes the bundle at `path`.  Throws std::runtime_error when it cannot.
PmFiles WritePmBundle(const PmRecording& rec, const std::filesystem::path& path);
// Writes the data file at `dataFile` (its signature, padding to
// siblingDataStart, the samples) and the trees beside it with the
// extensions "pul", "pgf", "amp" and "sol" (the last two when written).
PmFiles WritePmSiblings(const PmRecording& rec, const std::filesystem::path& dataFile);

}  // namespace kwt::test
