#include "tests/testkit/pulse_writer.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include "pulse/pulse_tree.h"
#include "tests/testkit/byte_writer.h"
#include "tests/testkit/tree_writer.h"

namespace kwt::test {
namespace {

// ---- Where each field lies in its stored record -----------------------------
//
// The offsets below are the file layout as this writer knows it, written out
// field by field.  Text fields are stored at their width without the NUL.
// Fields that nothing reads (the placeholders fieldNNN, the user parameters,
// the unused parts of the channel blocks) are left as the bytes the record
// starts from.

template <size_t N>
void Text(ByteWriter& w, size_t offset, const char (&field)[N]) {
  w.StoreText(offset, std::string_view(field, N - 1), N - 1);
}

void Root(ByteWriter& w, const RootRecord& r) {
  w.StoreI16(0, r.version);
  Text(w, 2, r.versionName);
  w.StoreF64(430, r.startTime);
}

void Group(ByteWriter& w, const GroupRecord& r) {
  Text(w, 0, r.label);
  Text(w, 14, r.text);
}

void Series(ByteWriter& w, const SeriesRecord& r) {
  w.StoreF64(0, r.seriesTime);
  w.StoreF64(8, r.bandwidth);
  w.StoreF64(16, r.holding);
  w.StoreF64(56, r.temperature);
  w.StoreU8(120, r.recordingMode);
  Text(w, 122, r.comment);
  w.StoreU8(203, r.clampSpeed);
  w.StoreU8(205, r.gainRange);
  w.StoreU8(207, r.filter2Type);
  w.StoreF32(208, r.filter1Bandwidth);
  w.StoreU8(212, r.rsOn);
  w.StoreF32(218, r.rsFraction);
  w.StoreF32(226, r.cFastAmp1);
  w.StoreF32(230, r.cFastAmp2);
  w.StoreU8(238, r.compensationCorrection);
  w.StoreU8(249, r.stimFilterOn862);
  w.StoreU8(252, r.stimFilterOn);
  w.StoreF32(260, r.vOffset);
  w.StoreF32(264, r.lj);
  w.StoreF32(282, r.filter2Bandwidth);
  w.StoreU8(300, r.amplifierKind);
  Text(w, 302, r.amplifierModel);
  w.StoreI32(306, r.internalSolution);
  w.StoreI32(310, r.externalSolution);
  Text(w, 314, r.unit1);
  w.StoreF64(326, r.furaKEff);
  w.StoreF64(334, r.furaRMin);
  w.StoreF64(342, r.furaRMax);
  w.StoreF64(350, r.phase);
  w.StoreF64(398, r.extPhase);
  w.StoreF64(406, r.extAttenuation);
  w.StoreU8(438, r.extCalibrationValid);
}

void Sweep(ByteWriter& w, const SweepRecord& r) {
  w.StoreF64(0, r.sweepTime);
  w.StoreI32(8, r.stimulation);
  w.StoreI32(12, r.sweepNumber);
  w.StoreU8(20, r.hasLeak);
  w.StoreU8(21, r.hasSecondTrace);
  Text(w, 22, r.label);
  w.StoreI32(36, r.dataPoints);
  w.StoreI32(40, r.dataOffset);
  w.StoreF64(48, r.factor1);
  w.StoreF64(56, r.factor2);
  w.StoreF64(64, r.cSlow);
  w.StoreF64(72, r.gSeries);
  w.StoreF64(80, r.rsValue);
  w.StoreI16(128, r.kindBits);
  w.StoreU8(174, r.sampleFormat);
  w.StoreF64(176, r.timer);
}

void PgfRoot(ByteWriter& w, const PgfRootRecord& r) {
  w.StoreI16(0, r.version);
}

void Stimulation(ByteWriter& w, const StimulationRecord& r) {
  Text(w, 14, r.stimName);
  w.StoreF64(28, r.sampleInterval);
  w.StoreI32(52, r.protocolSweeps);
  w.StoreI32(90, r.leakCount);
  w.StoreF64(94, r.leakSize);
  w.StoreF64(102, r.leakHolding);
  w.StoreF64(112, r.leakDelay);
  // Of the three 28-byte channel blocks (at 120, 148, 176) only the start
  // offset and the sampling codes at byte 26 have a meaning.
  w.StoreF64(122, r.startOffset);
  w.StoreU8(146, r.block1Byte26);
  w.StoreU8(174, r.block2Byte26);
  w.StoreU8(202, r.block3Byte26);
  w.StoreI16(204, r.channelBlocks);
  w.StoreU8(211, r.sweepOrder);
  w.StoreI32(212, r.stimPoints);
  w.StoreI16(220, r.samplingCount);
  w.StoreU8(223, r.relativeToHolding);
  w.StoreU8(224, r.useStimPoints);
  w.StoreU8(225, r.incrementMode);
  Text(w, 232, r.leakUnit);
  Text(w, 234, r.secondUnit);
  w.StoreF32(236, r.holdingStep);
  w.StoreF64(244, r.sinePeriod);
  w.StoreF64(252, r.sineAmplitude);
  w.StoreU8(260, r.hasFura);
  w.StoreU8(261, r.holdingSource);
  w.StoreF64(262, r.furaInterval);
  w.StoreF64(270, r.furaStart);
  w.StoreI16(318, r.furaPoints);
  w.StoreI32(320, r.skipCycles);
  w.StoreF64(324, r.recordVReversal);
  w.StoreI16(368, r.samplingRatioA);
  w.StoreI16(370, r.samplingRatioB);
}

void Segment(ByteWriter& w, const SegmentRecord& r) {
  w.StoreU8(0, r.segmentClass);
  w.StoreU8(1, r.followsHolding);
  w.StoreF64(2, r.voltage);
  w.StoreF64(10, r.duration);
  w.StoreF64(18, r.voltageFactor);
  w.StoreF64(26, r.voltageIncrement);
  w.StoreF64(34, r.durationFactor);
  w.StoreF64(42, r.durationIncrement);
}

// Known sizes as this writer lays the records out.
constexpr size_t kRootBytes = 438;
constexpr size_t kGroupBytes = 106;
constexpr size_t kSeriesBytes = 440;
constexpr size_t kSweepBytes = 200;
constexpr size_t kPgfRootBytes = 74;
constexpr size_t kStimulationBytes = 376;
constexpr size_t kSegmentBytes = 50;

// The record's fields stored over a copy of `base`, which is first grown
// with zeros to the known size.
template <class Record, class Store>
std::vector<uint8_t> Over(std::span<const uint8_t> base, const Record& r, ByteOrder order,
                          size_t known, Store store) {
  ByteWriter w(order);
  w.PutBytes(base);
  if (w.size() < known) w.PutFill(known - w.size(), 0);
  store(w, r);
  return w.Take();
}

// ---- Samples ------------------------------------------------------------------

// The sample format the writer stores a sweep's traces in: sampleFormat when
// kind bits 0 and 3 are both set, 16-bit integers otherwise.
int32_t StoredFormat(const SweepRecord& r) {
  return (r.kindBits & 0x9) == 0x9 ? r.sampleFormat : 0;
}

const StimulationRecord* StimulationOf(const PulseRecording& rec, const SweepRecord& sweep) {
  if (sweep.stimulation < 1 || static_cast<size_t>(sweep.stimulation) > rec.stimulations.size())
    return nullptr;
  return &rec.stimulations[static_cast<size_t>(sweep.stimulation) - 1].record;
}

// Samples per trace as the files describe them.
int64_t TracePoints(const PulseRecording& rec, const SweepRecord& sweep) {
  const StimulationRecord* stim = StimulationOf(rec, sweep);
  if (stim != nullptr && stim->useStimPoints != 0) return std::max(0, stim->stimPoints);
  return std::max(0, sweep.dataPoints);
}

// Bytes that a sweep's samples take in the data file.
size_t SweepDataBytes(const PulseRecording& rec, const PulseSweep& sweep) {
  const size_t width = StoredSampleWidth(StoredFormat(sweep.record));
  const auto points = static_cast<size_t>(TracePoints(rec, sweep.record));
  size_t traces = 1 + (sweep.record.hasLeak ? 1 : 0) + (sweep.record.hasSecondTrace ? 1 : 0);
  size_t bytes = traces * points * width;
  const StimulationRecord* stim = StimulationOf(rec, sweep.record);
  if (stim != nullptr && stim->hasFura != 0) bytes += 3 * 4 * static_cast<size_t>(std::max<int16_t>(0, stim->furaPoints));
  return bytes;
}

void PutTrace(ByteWriter& w, int32_t format, const std::vector<double>& values, int64_t points) {
  for (int64_t i = 0; i < points; ++i)
    PutStoredSample(w, format, static_cast<size_t>(i) < values.size() ? values[static_cast<size_t>(i)] : 0.0);
}

}  // namespace

void SetSampleLayout(SweepRecord& sweep, int32_t format, ByteOrder order) {
  sweep.kindBits = static_cast<int16_t>(0x1 | 0x8 | (order == ByteOrder::kLittle ? 0x10 : 0));
  sweep.sampleFormat = static_cast<uint8_t>(format);
}

PulseSweep& PulseSeries::AddSweep(std::vector<double> trace) {
  PulseSweep& sweep = sweeps.emplace_back();
  sweep.record.stimulation = 1;
  sweep.record.sweepNumber = static_cast<int32_t>(sweeps.size());
  sweep.record.factor1 = 1.0;
  sweep.record.factor2 = 1.0;
  sweep.trace = std::move(trace);
  return sweep;
}

PulseSeries& PulseGroup::AddSeries() {
  PulseSeries& s = series.emplace_back();
  s.record.recordingMode = kRecordingModeWholeCell;
  s.record.holding = -0.07;
  s.record.bandwidth = 3000.0;
  SetText(s.record.unit1, "A");
  return s;
}

PulseStimulation& PulseStimulation::AddSegment(uint8_t segmentClass, double voltage,
                                               double duration) {
  SegmentRecord& s = segments.emplace_back();
  s.segmentClass = segmentClass;
  s.voltage = voltage;
  s.duration = duration;
  s.voltageFactor = 1.0;
  s.durationFactor = 1.0;
  return *this;
}

PulseGroup& PulseRecording::AddGroup(std::string_view label) {
  PulseGroup& g = groups.emplace_back();
  SetText(g.record.label, label);
  return g;
}

PulseStimulation& PulseRecording::AddStimulation(std::string_view name) {
  PulseStimulation& s = stimulations.emplace_back();
  SetText(s.record.stimName, name);
  s.record.sampleInterval = 1e-4;
  s.record.protocolSweeps = 1;
  return s;
}

void LayOutPulseData(PulseRecording& rec) {
  // Sweeps follow each other in file order, each with its traces back to
  // back (first, leak, second, Fura), as the loader expects them.
  size_t offset = rec.dataStart;
  for (PulseGroup& g : rec.groups)
    for (PulseSeries& s : g.series)
      for (PulseSweep& w : s.sweeps) {
        if (!w.placeData) continue;
        w.record.dataPoints = static_cast<int32_t>(w.trace.size());
        w.record.dataOffset = static_cast<int32_t>(offset);
        offset += SweepDataBytes(rec, w);
      }
}

std::vector<uint8_t> EncodeRootRecord(const RootRecord& r, ByteOrder order,
                                      std::span<const uint8_t> base) {
  return Over(base, r, order, kRootBytes, Root);
}
std::vector<uint8_t> EncodeGroupRecord(const GroupRecord& r, ByteOrder order,
                                       std::span<const uint8_t> base) {
  return Over(base, r, order, kGroupBytes, Group);
}
std::vector<uint8_t> EncodeSeriesRecord(const SeriesRecord& r, ByteOrder order,
                                        std::span<const uint8_t> base) {
  return Over(base, r, order, kSeriesBytes, Series);
}
std::vector<uint8_t> EncodeSweepRecord(const SweepRecord& r, ByteOrder order,
                                       std::span<const uint8_t> base) {
  return Over(base, r, order, kSweepBytes, Sweep);
}
std::vector<uint8_t> EncodePgfRootRecord(const PgfRootRecord& r, ByteOrder order,
                                         std::span<const uint8_t> base) {
  return Over(base, r, order, kPgfRootBytes, PgfRoot);
}
std::vector<uint8_t> EncodeStimulationRecord(const StimulationRecord& r, ByteOrder order,
                                             std::span<const uint8_t> base) {
  return Over(base, r, order, kStimulationBytes, Stimulation);
}
std::vector<uint8_t> EncodeSegmentRecord(const SegmentRecord& r, ByteOrder order,
                                         std::span<const uint8_t> base) {
  return Over(base, r, order, kSegmentBytes, Segment);
}

std::vector<uint8_t> PulseAcquisitionTreeBytes(const PulseRecording& rec) {
  // Root, groups, series, sweeps; sweeps have no children.
  const ByteOrder order = rec.pulOrder;
  TreeWriter tree(order, rec.pulLevels, rec.pulRecordSizes, rec.padding);
  tree.Put(0, EncodeRootRecord(rec.root, order), rec.groups.size());
  for (const PulseGroup& g : rec.groups) {
    tree.Put(1, EncodeGroupRecord(g.record, order), g.series.size());
    for (const PulseSeries& s : g.series) {
      tree.Put(2, EncodeSeriesRecord(s.record, order), s.sweeps.size());
      for (const PulseSweep& w : s.sweeps) tree.Put(3, EncodeSweepRecord(w.record, order), 0);
    }
  }
  return tree.Take();
}

std::vector<uint8_t> PulseStimulusTreeBytes(const PulseRecording& rec) {
  // Root, stimulations, segments.
  const ByteOrder order = rec.pgfOrder;
  TreeWriter tree(order, rec.pgfLevels, rec.pgfRecordSizes, rec.padding);
  tree.Put(0, EncodePgfRootRecord(rec.pgfRoot, order), rec.stimulations.size());
  for (const PulseStimulation& s : rec.stimulations) {
    tree.Put(1, EncodeStimulationRecord(s.record, order), s.segments.size());
    for (const SegmentRecord& seg : s.segments) tree.Put(2, EncodeSegmentRecord(seg, order), 0);
  }
  return tree.Take();
}

std::vector<uint8_t> PulseDataBytes(const PulseRecording& rec) {
  std::vector<uint8_t> data(rec.dataStart, rec.padding);
  for (const PulseGroup& g : rec.groups)
    for (const PulseSeries& s : g.series)
      for (const PulseSweep& w : s.sweeps) {
        const SweepRecord& r = w.record;
        if (r.dataOffset < 0) continue;
        const int32_t format = StoredFormat(r);
        const ByteOrder order = (r.kindBits & 0x10) != 0 ? ByteOrder::kLittle : ByteOrder::kBig;
        const int64_t points = TracePoints(rec, r);
        ByteWriter samples(order);
        PutTrace(samples, format, w.trace, points);
        if (r.hasLeak) PutTrace(samples, format, w.leak, points);
        if (r.hasSecondTrace) PutTrace(samples, format, w.second, points);
        const StimulationRecord* stim = StimulationOf(rec, r);
        if (stim != nullptr && stim->hasFura != 0) {
          for (const std::vector<float>& f : w.fura)
            for (int32_t i = 0; i < std::max<int16_t>(0, stim->furaPoints); ++i)
              samples.PutF32(static_cast<size_t>(i) < f.size() ? f[static_cast<size_t>(i)] : 0.0f);
        }
        // Sweeps that are not placed may point anywhere; the file grows to
        // hold what they describe.
        const auto at = static_cast<size_t>(r.dataOffset);
        if (data.size() < at + samples.size()) data.resize(at + samples.size(), rec.padding);
        std::copy(samples.bytes().begin(), samples.bytes().end(),
                  data.begin() + static_cast<std::ptrdiff_t>(at));
      }
  return data;
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

bool LoadPulseTrees(const PulseRecording& recording) {
  PulseRecording rec = recording;
  LayOutPulseData(rec);
  const std::vector<uint8_t> pgf = PulseStimulusTreeBytes(rec);
  const std::vector<uint8_t> pul = PulseAcquisitionTreeBytes(rec);
  const bool stimulus = ReadPulseStimulusTree(MemorySource(pgf));
  const bool acquisition = ReadPulseAcquisitionTree(MemorySource(pul));
  return stimulus && acquisition;
}

PulseFiles WritePulseRecording(const PulseRecording& recording,
                               const std::filesystem::path& dataFile) {
  PulseRecording rec = recording;
  LayOutPulseData(rec);
  PulseFiles files;
  files.data = dataFile;
  files.pul = std::filesystem::path(dataFile).replace_extension("pul");
  files.pgf = std::filesystem::path(dataFile).replace_extension("pgf");
  WriteFileBytes(files.data, PulseDataBytes(rec));
  WriteFileBytes(files.pul, PulseAcquisitionTreeBytes(rec));
  WriteFileBytes(files.pgf, PulseStimulusTreeBytes(rec));
  return files;
}

}  // namespace kwt::test
