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

template <size_t N>
void Text(ByteWriter& w, size_t offset, const char (&field)[N]) {
  w.StoreText(offset, std::string_view(field, N - 1), N - 1);
}

template <size_t N>
void Raw(ByteWriter& w, size_t offset, const std::array<uint8_t, N>& field) {
  w.StoreBytes(offset, field);
}

void Root(ByteWriter& w, const RootRecord& r) {
  w.StoreI16(0, r.version);
  Text(w, 2, r.versionName);
  Text(w, 16, r.field16);
  Text(w, 30, r.field30);
  Text(w, 110, r.field110);
  Text(w, 190, r.field190);
  Text(w, 270, r.field270);
  Text(w, 350, r.field350);
  w.StoreF64(430, r.startTime);
}

void Group(ByteWriter& w, const GroupRecord& r) {
  Text(w, 0, r.label);
  Text(w, 14, r.text);
  w.StoreI32(94, r.field94);
  w.StoreF64(98, r.field98);
}

void Series(ByteWriter& w, const SeriesRecord& r) {
  w.StoreF64(0, r.seriesTime);
  w.StoreF64(8, r.bandwidth);
  w.StoreF64(16, r.holding);
  w.StoreF64(24, r.cellPotential);
  w.StoreF64(32, r.pipetteResistance);
  w.StoreF64(40, r.sealResistance);
  w.StoreF64(48, r.field48);
  w.StoreF64(56, r.temperature);
  w.StoreF64(64, r.field64);
  w.StoreF64(72, r.userParam1Value);
  Text(w, 80, r.userParam1Name);
  Text(w, 94, r.userParam1Unit);
  w.StoreF64(96, r.userParam2Value);
  Text(w, 104, r.userParam2Name);
  Text(w, 118, r.userParam2Unit);
  w.StoreU8(120, r.recordingMode);
  w.StoreU8(121, r.field121);
  Text(w, 122, r.comment);
  w.StoreU8(202, r.field202);
  w.StoreU8(203, r.clampSpeed);
  w.StoreU8(204, r.field204);
  w.StoreU8(205, r.gainRange);
  w.StoreU8(206, r.field206);
  w.StoreU8(207, r.filter2Type);
  w.StoreF32(208, r.filter1Bandwidth);
  w.StoreU8(212, r.rsOn);
  w.StoreU8(213, r.field213);
  w.StoreU32(214, r.field214);
  w.StoreF32(218, r.rsFraction);
  w.StoreU32(222, r.field222);
  w.StoreF32(226, r.cFastAmp1);
  w.StoreF32(230, r.cFastAmp2);
  w.StoreU32(234, r.field234);
  w.StoreU8(238, r.compensationCorrection);
  w.StoreU8(239, r.field239);
  w.StoreU32(240, r.field240);
  w.StoreU32(244, r.field244);
  w.StoreU8(248, r.field248);
  w.StoreU8(249, r.stimFilterOn862);
  Raw(w, 250, r.field250);
  w.StoreU8(252, r.stimFilterOn);
  w.StoreU8(253, r.field253);
  w.StoreU8(254, r.field254);
  w.StoreU8(255, r.field255);
  w.StoreU32(256, r.field256);
  w.StoreF32(260, r.vOffset);
  w.StoreF32(264, r.lj);
  w.StoreU8(268, r.field268);
  w.StoreU8(269, r.field269);
  w.StoreU32(270, r.field270);
  w.StoreU32(274, r.field274);
  w.StoreU8(278, r.field278);
  w.StoreU8(279, r.field279);
  w.StoreU8(280, r.field280);
  w.StoreU8(281, r.field281);
  w.StoreF32(282, r.filter2Bandwidth);
  w.StoreU8(286, r.field286);
  w.StoreU8(287, r.field287);
  w.StoreU8(288, r.field288);
  w.StoreU8(289, r.field289);
  w.StoreI16(290, r.field290);
  w.StoreI32(292, r.field292);
  w.StoreI32(296, r.field296);
  w.StoreU8(300, r.amplifierKind);
  w.StoreU8(301, r.field301);
  Text(w, 302, r.amplifierModel);
  w.StoreI32(306, r.internalSolution);
  w.StoreI32(310, r.externalSolution);
  Text(w, 314, r.unit1);
  Text(w, 316, r.unit2);
  Raw(w, 318, r.field318);
  Raw(w, 322, r.field322);
  w.StoreF64(326, r.furaKEff);
  w.StoreF64(334, r.furaRMin);
  w.StoreF64(342, r.furaRMax);
  w.StoreF64(350, r.phase);
  Raw(w, 358, r.field358);
  w.StoreF64(366, r.field366);
  w.StoreF64(374, r.field374);
  w.StoreF64(382, r.field382);
  w.StoreF64(390, r.field390);
  w.StoreF64(398, r.extPhase);
  w.StoreF64(406, r.extAttenuation);
  w.StoreF64(414, r.field414);
  w.StoreF64(422, r.field422);
  w.StoreF64(430, r.field430);
  w.StoreU8(438, r.extCalibrationValid);
  w.StoreU8(439, r.field439);
}

void Sweep(ByteWriter& w, const SweepRecord& r) {
  w.StoreF64(0, r.sweepTime);
  w.StoreI32(8, r.stimulation);
  w.StoreI32(12, r.sweepNumber);
  w.StoreI32(16, r.averageCount);
  w.StoreU8(20, r.hasLeak);
  w.StoreU8(21, r.hasSecondTrace);
  Text(w, 22, r.label);
  w.StoreI32(36, r.dataPoints);
  w.StoreI32(40, r.dataOffset);
  w.StoreI32(44, r.field44);
  w.StoreF64(48, r.factor1);
  w.StoreF64(56, r.factor2);
  w.StoreF64(64, r.cSlow);
  w.StoreF64(72, r.gSeries);
  w.StoreF64(80, r.rsValue);
  w.StoreF64(88, r.field88);
  w.StoreF64(96, r.field96);
  w.StoreF64(104, r.field104);
  w.StoreF64(112, r.field112);
  w.StoreI32(120, r.field120);
  w.StoreI32(124, r.field124);
  w.StoreI16(128, r.kindBits);
  w.StoreI32(130, r.field130);
  w.StoreI32(134, r.field134);
  w.StoreI32(138, r.field138);
  w.StoreF64(142, r.field142);
  w.StoreF64(150, r.field150);
  w.StoreF64(158, r.field158);
  w.StoreF64(166, r.field166);
  w.StoreU8(174, r.sampleFormat);
  w.StoreU8(175, r.field175);
  w.StoreF64(176, r.timer);
  Raw(w, 184, r.field184);
  Raw(w, 188, r.field188);
  Raw(w, 196, r.field196);
}

void PgfRoot(ByteWriter& w, const PgfRootRecord& r) {
  w.StoreI16(0, r.version);
  Raw(w, 2, r.field2);
}

// One 28-byte channel block of a stimulation record.
void Block(ByteWriter& w, size_t at, int16_t word, double real2, double real10, double real18,
           uint8_t byte26, uint8_t byte27) {
  w.StoreI16(at, word);
  w.StoreF64(at + 2, real2);
  w.StoreF64(at + 10, real10);
  w.StoreF64(at + 18, real18);
  w.StoreU8(at + 26, byte26);
  w.StoreU8(at + 27, byte27);
}

void Stimulation(ByteWriter& w, const StimulationRecord& r) {
  Text(w, 0, r.field0);
  Text(w, 14, r.stimName);
  w.StoreF64(28, r.sampleInterval);
  w.StoreF64(36, r.field36);
  w.StoreF64(44, r.field44);
  w.StoreI32(52, r.protocolSweeps);
  w.StoreI32(56, r.field56);
  w.StoreF64(60, r.field60);
  Text(w, 68, r.field68);
  w.StoreF64(82, r.field82);
  w.StoreI32(90, r.leakCount);
  w.StoreF64(94, r.leakSize);
  w.StoreF64(102, r.leakHolding);
  w.StoreU8(110, r.field110);
  w.StoreU8(111, r.field111);
  w.StoreF64(112, r.leakDelay);
  Block(w, 120, r.block1Word0, r.startOffset, r.block1Real10, r.block1Real18, r.block1Byte26,
        r.block1Byte27);
  Block(w, 148, r.block2Word0, r.block2Real2, r.block2Real10, r.block2Real18, r.block2Byte26,
        r.block2Byte27);
  Block(w, 176, r.block3Word0, r.block3Real2, r.block3Real10, r.block3Real18, r.block3Byte26,
        r.block3Byte27);
  w.StoreI16(204, r.channelBlocks);
  w.StoreI16(206, r.field206);
  w.StoreI16(208, r.field208);
  w.StoreU8(210, r.field210);
  w.StoreU8(211, r.sweepOrder);
  w.StoreI32(212, r.stimPoints);
  w.StoreI32(216, r.field216);
  w.StoreI16(220, r.samplingCount);
  w.StoreU8(222, r.field222);
  w.StoreU8(223, r.relativeToHolding);
  w.StoreU8(224, r.useStimPoints);
  w.StoreU8(225, r.incrementMode);
  w.StoreI16(226, r.field226);
  w.StoreI16(228, r.field228);
  w.StoreI16(230, r.field230);
  Text(w, 232, r.leakUnit);
  Text(w, 234, r.secondUnit);
  w.StoreF32(236, r.holdingStep);
  w.StoreU8(240, r.field240);
  w.StoreU8(241, r.field241);
  w.StoreI16(242, r.field242);
  w.StoreF64(244, r.sinePeriod);
  w.StoreF64(252, r.sineAmplitude);
  w.StoreU8(260, r.hasFura);
  w.StoreU8(261, r.holdingSource);
  w.StoreF64(262, r.furaInterval);
  w.StoreF64(270, r.furaStart);
  w.StoreF64(278, r.field278);
  w.StoreF64(286, r.field286);
  w.StoreF64(294, r.field294);
  w.StoreF64(302, r.field302);
  w.StoreF64(310, r.field310);
  w.StoreI16(318, r.furaPoints);
  w.StoreI32(320, r.skipCycles);
  w.StoreF64(324, r.recordVReversal);
  w.StoreU8(332, r.field332);
  w.StoreU8(333, r.field333);
  Raw(w, 334, r.field334);
  Raw(w, 350, r.field350);
  w.StoreU8(366, r.field366);
  w.StoreU8(367, r.field367);
  w.StoreI16(368, r.samplingRatioA);
  w.StoreI16(370, r.samplingRatioB);
  w.StoreI16(372, r.field372);
  w.StoreI16(374, r.field374);
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

std::vector<uint8_t> EncodeRootRecord(const RootRecord& r, ByteOrder order) {
  return EncodeRecord(r, order, kRootBytes, Root);
}
std::vector<uint8_t> EncodeGroupRecord(const GroupRecord& r, ByteOrder order) {
  return EncodeRecord(r, order, kGroupBytes, Group);
}
std::vector<uint8_t> EncodeSeriesRecord(const SeriesRecord& r, ByteOrder order) {
  return EncodeRecord(r, order, kSeriesBytes, Series);
}
std::vector<uint8_t> EncodeSweepRecord(const SweepRecord& r, ByteOrder order) {
  return EncodeRecord(r, order, kSweepBytes, Sweep);
}
std::vector<uint8_t> EncodePgfRootRecord(const PgfRootRecord& r, ByteOrder order) {
  return EncodeRecord(r, order, kPgfRootBytes, PgfRoot);
}
std::vector<uint8_t> EncodeStimulationRecord(const StimulationRecord& r, ByteOrder order) {
  return EncodeRecord(r, order, kStimulationBytes, Stimulation);
}
std::vector<uint8_t> EncodeSegmentRecord(const SegmentRecord& r, ByteOrder order) {
  return EncodeRecord(r, order, kSegmentBytes, Segment);
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
