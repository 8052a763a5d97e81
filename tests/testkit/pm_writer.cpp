#include "tests/testkit/pm_writer.h"

#include <algorithm>
#include <stdexcept>

#include "tests/testkit/byte_writer.h"
#include "tests/testkit/tree_writer.h"

namespace kwt::test {
namespace {

// ---- Where each field lies in its stored record -----------------------------
//
// The file layout as this writer knows it, field by field.  Each encoder
// starts from a record of `padding` bytes at the known size, so the bytes
// no field covers hold the pattern.

constexpr size_t kRootBytes = 544;
constexpr size_t kGroupBytes = 128;
constexpr size_t kSeriesBytes = 1312;
constexpr size_t kSweepBytes = 160;
constexpr size_t kTraceBytes = 384;
constexpr size_t kStimRootBytes = 584;
constexpr size_t kStimulationBytes = 248;
constexpr size_t kChannelBytes = 400;
constexpr size_t kSegmentBytes = 80;
constexpr size_t kAmpRootBytes = 80;
constexpr size_t kAmpSeriesBytes = 16;
constexpr size_t kAmpStateBytes = 560;
constexpr size_t kSolRootBytes = 88;
constexpr size_t kSolutionBytes = 160;
constexpr size_t kChemicalBytes = 40;

template <size_t N>
void Text(ByteWriter& w, size_t offset, const char (&field)[N]) {
  w.StoreText(offset, std::string_view(field, N - 1), N - 1);
}

void LockIn(ByteWriter& w, size_t at, const LockInParams& r) {
  w.StoreF64(at + 0, r.extPhase);
  w.StoreF64(at + 8, r.extAttenuation);
  w.StoreF64(at + 16, r.phase);
  w.StoreU8(at + 64, r.extCalValid);
}

void Amplifier(ByteWriter& w, size_t at, const AmplifierState& r) {
  w.StoreF64(at + 16, r.filter1Bandwidth);
  w.StoreF64(at + 24, r.filter2Bandwidth);
  w.StoreF64(at + 32, r.rsValue);
  w.StoreF64(at + 40, r.rsFraction);
  w.StoreF64(at + 56, r.cFastAmp1);
  w.StoreF64(at + 64, r.cFastAmp2);
  w.StoreF64(at + 88, r.gSeries);
  w.StoreF64(at + 112, r.vHold);
  w.StoreF64(at + 128, r.vOffset);
  w.StoreF64(at + 136, r.vLiquidJunction);
  w.StoreF64(at + 144, r.ccIHold);
  w.StoreU8(at + 232, r.amplKind);
  w.StoreU8(at + 234, r.aDBoard);
  w.StoreU8(at + 238, r.clampSpeed);
  w.StoreU8(at + 239, r.filter2Type);
  w.StoreU8(at + 240, r.rsOn);
  w.StoreU8(at + 241, r.compCorrection);
  w.StoreU8(at + 242, r.ccRange);
  w.StoreU8(at + 243, r.ccGain);
  w.StoreU8(at + 281, r.gainRange);
  w.StoreU8(at + 282, r.stimFilterOn);
}

void Root(ByteWriter& w, const PmRootRecord& r) {
  Text(w, 8, r.roVersionName);
  w.StoreF64(520, r.roStartTime);
}

void Group(ByteWriter& w, const PmGroupRecord& r) {
  Text(w, 4, r.grLabel);
  Text(w, 36, r.grText);
}

void Series(ByteWriter& w, const PmSeriesRecord& r) {
  Text(w, 4, r.seLabel);
  Text(w, 36, r.seComment);
  w.StoreF64(136, r.seTime);
  for (size_t i = 0; i < 4; ++i) w.StoreF64(344 + 8 * i, r.seUserParamValue[i]);
  LockIn(w, 376, r.seLockInParams);
  Amplifier(w, 472, r.seAmplifierState);
  for (size_t i = 0; i < 4; ++i) {
    Text(w, 952 + 40 * i, r.seUserParamName[i].name);
    Text(w, 952 + 40 * i + 32, r.seUserParamName[i].unit);
  }
}

void Sweep(ByteWriter& w, const PmSweepRecord& r) {
  Text(w, 4, r.swLabel);
  w.StoreI32(40, r.stimNo);
  w.StoreI32(44, r.swSweepNumber);
  w.StoreF64(48, r.swTime);
  w.StoreF64(56, r.swTimer);
  w.StoreF64(96, r.swTemperature);
  w.StoreI16(112, r.swDigitalIn);
  w.StoreI16(116, r.swDigitalOut);
}

void Trace(ByteWriter& w, const PmTraceRecord& r) {
  Text(w, 4, r.trLabel);
  w.StoreI32(36, r.trTraceCount);
  w.StoreI32(40, r.trDataOffset);
  w.StoreI32(44, r.trDataPoints);
  w.StoreI32(48, r.trIntSolution);
  w.StoreI32(52, r.trAverageCount);
  w.StoreI32(56, r.trLeakCount);
  w.StoreI16(64, r.trDataKind);
  w.StoreU8(68, r.trRecordingMode);
  w.StoreU8(69, r.trAmplIndex);
  w.StoreU8(70, r.trDataFormat);
  w.StoreF64(72, r.trDataScaler);
  w.StoreF64(80, r.trXStart);
  w.StoreF64(88, r.trZeroData);
  Text(w, 96, r.trYUnit);
  w.StoreF64(104, r.trXInterval);
  w.StoreF64(144, r.trBandwidth);
  w.StoreF64(176, r.trCSlow);
  w.StoreF64(184, r.trGSeries);
  w.StoreF64(192, r.trRsValue);
  w.StoreI32(216, r.trLinkDAChannel);
  w.StoreI32(244, r.trExtSolution);
  w.StoreI32(292, r.trInterleaveSize);
  w.StoreI32(296, r.trInterleaveSkip);
}

void Stimulation(ByteWriter& w, const PmStimulationRecord& r) {
  Text(w, 4, r.stName);
  w.StoreI32(100, r.stStartSegment);
  w.StoreF64(104, r.stStartTime);
  w.StoreF64(112, r.stSampleInterval);
  w.StoreF64(128, r.stLeakDelay);
  w.StoreI32(144, r.stNumberSweeps);
  w.StoreI32(148, r.stNumberLeaks);
  w.StoreU8(168, r.stLockInFlag);
}

void Channel(ByteWriter& w, const PmChannelRecord& r) {
  w.StoreI32(4, r.chLinkedChannel);
  w.StoreU8(22, r.chAdcMode);
  w.StoreU8(27, r.chHoldFromLast);
  w.StoreI16(28, r.chDacChannel);
  w.StoreU8(30, r.chDacMode);
  w.StoreF64(48, r.chHolding);
  w.StoreF64(56, r.chLeakHolding);
  w.StoreF64(64, r.chLeakSize);
  w.StoreI16(84, r.chDacBit);
  w.StoreF64(96, r.chSineCycle);
  w.StoreF64(104, r.chSineAmplitude);
  w.StoreF64(112, r.chReversalPotential);
  w.StoreI32(160, r.chSkipCycles);
}

void Segment(ByteWriter& w, const PmSegmentRecord& r) {
  w.StoreU8(4, r.segClass);
  w.StoreU8(5, r.segStore);
  w.StoreU8(6, r.segVoltageIncMode);
  w.StoreU8(7, r.segDurationIncMode);
  w.StoreF64(8, r.segVoltage);
  w.StoreI32(16, r.segVoltageSource);
  w.StoreF64(20, r.segDeltaVFactor);
  w.StoreF64(28, r.segDeltaVIncrement);
  w.StoreF64(36, r.segDuration);
  w.StoreF64(48, r.segDeltaTFactor);
  w.StoreF64(56, r.segDeltaTIncrement);
}

void AmpState(ByteWriter& w, const AmpStateRecord& r) {
  LockIn(w, 16, r.lockInParams);
  Amplifier(w, 112, r.amplifierState);
}

void Solution(ByteWriter& w, const SolutionRecord& r) { Text(w, 4, r.solName); }

// A record of padding alone, for the records that hold no field.
std::vector<uint8_t> Filler(size_t known, uint8_t padding) {
  return std::vector<uint8_t>(known, padding);
}

template <size_t Levels>
TreeWriter Tree(const PmTreeLayout<Levels>& layout, uint8_t padding) {
  return TreeWriter(layout.order, layout.levels, layout.sizes, padding);
}

// ---- Samples ----------------------------------------------------------------

size_t TraceBytes(const PmTrace& trace) {
  return trace.samples.size() * StoredSampleWidth(trace.record.trDataFormat);
}

// The samples of one trace in its own format and order.
std::vector<uint8_t> EncodeSamples(const PmTrace& trace) {
  // Bit 0 of the kind word set: little-endian samples.
  const bool little = (static_cast<uint16_t>(trace.record.trDataKind) & 0x1) != 0;
  ByteWriter w(little ? ByteOrder::kLittle : ByteOrder::kBig);
  for (double v : trace.samples) PutStoredSample(w, trace.record.trDataFormat, v);
  return w.Take();
}

void Place(std::vector<uint8_t>& data, size_t at, std::span<const uint8_t> bytes, uint8_t padding) {
  if (data.size() < at + bytes.size()) data.resize(at + bytes.size(), padding);
  std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

void SetPmSampleLayout(PmTraceRecord& trace, uint8_t format, ByteOrder order) {
  trace.trDataFormat = format;
  const auto kind = static_cast<uint16_t>(trace.trDataKind);
  trace.trDataKind = static_cast<int16_t>(order == ByteOrder::kLittle ? (kind | 0x1) : (kind & ~0x1));
}

PmTrace& PmSweep::AddTrace(std::string_view label, std::vector<double> samples) {
  PmTrace& t = traces.emplace_back();
  SetText(t.record.trLabel, label);
  t.record.trTraceCount = static_cast<int32_t>(traces.size());
  t.record.trDataScaler = 1.0;
  t.record.trXInterval = 1e-4;
  SetText(t.record.trYUnit, "A");
  SetPmSampleLayout(t.record, kPmSampleInt16, ByteOrder::kLittle);
  t.samples = std::move(samples);
  return t;
}

PmSweep& PmSeries::AddSweep(int32_t stimNo) {
  PmSweep& w = sweeps.emplace_back();
  w.record.stimNo = stimNo;
  w.record.swSweepNumber = static_cast<int32_t>(sweeps.size());
  return w;
}

PmSeries& PmGroup::AddSeries(std::string_view label) {
  PmSeries& s = series.emplace_back();
  SetText(s.record.seLabel, label);
  return s;
}

PmChannel& PmChannel::AddSegment(uint8_t segmentClass, double voltage, double duration) {
  PmSegmentRecord& s = segments.emplace_back();
  s.segClass = segmentClass;
  s.segStore = 1;
  s.segVoltage = voltage;
  s.segDuration = duration;
  s.segDeltaVFactor = 1.0;
  s.segDeltaTFactor = 1.0;
  return *this;
}

PmChannel& PmStimulation::AddChannel(int32_t linkedTrace, int16_t dacChannel) {
  PmChannel& c = channels.emplace_back();
  c.record.chLinkedChannel = linkedTrace;
  c.record.chDacChannel = dacChannel;
  c.record.chDacMode = 1;
  c.record.chAdcMode = 1;
  return c;
}

AmpStateRecord& PmAmpSeries::AddState() { return states.emplace_back(); }

PmGroup& PmRecording::AddGroup(std::string_view label) {
  PmGroup& g = groups.emplace_back();
  SetText(g.record.grLabel, label);
  return g;
}

PmStimulation& PmRecording::AddStimulation(std::string_view name) {
  PmStimulation& s = stimulations.emplace_back();
  SetText(s.record.stName, name);
  s.record.stSampleInterval = 1e-4;
  s.record.stNumberSweeps = 1;
  return s;
}

PmAmpSeries& PmRecording::AddAmpSeries() { return ampSeries.emplace_back(); }

PmSolution& PmRecording::AddSolution(std::string_view name) {
  PmSolution& s = solutions.emplace_back();
  SetText(s.record.solName, name);
  return s;
}

void SetPmByteOrder(PmRecording& rec, ByteOrder order) {
  rec.pul.order = rec.pgf.order = rec.amp.order = rec.sol.order = order;
  rec.headerLittleEndian = order == ByteOrder::kLittle ? 1 : 0;
}

void LayOutPmData(PmRecording& rec, uint64_t dataStart) {
  uint64_t offset = dataStart;
  for (PmGroup& g : rec.groups)
    for (PmSeries& s : g.series)
      for (PmSweep& w : s.sweeps) {
        std::vector<PmTrace*> placed;
        for (PmTrace& t : w.traces)
          if (t.placeData) placed.push_back(&t);
        if (w.interleaveBlock <= 0) {
          // One contiguous block per trace, trace after trace.
          for (PmTrace* t : placed) {
            t->record.trDataOffset = static_cast<int32_t>(offset);
            t->record.trDataPoints = static_cast<int32_t>(t->samples.size());
            t->record.trInterleaveSize = 0;
            t->record.trInterleaveSkip = 0;
            offset += TraceBytes(*t);
          }
          continue;
        }
        // Block i of trace k lies at start + k * block + i * skip: the
        // traces take turns, one block each.
        const auto block = static_cast<uint64_t>(w.interleaveBlock);
        const uint64_t skip = block * placed.size();
        uint64_t blocks = 0;
        for (size_t k = 0; k < placed.size(); ++k) {
          PmTrace* t = placed[k];
          t->record.trDataOffset = static_cast<int32_t>(offset + k * block);
          t->record.trDataPoints = static_cast<int32_t>(t->samples.size());
          t->record.trInterleaveSize = w.interleaveBlock;
          t->record.trInterleaveSkip = static_cast<int32_t>(skip);
          blocks = std::max<uint64_t>(blocks, (TraceBytes(*t) + block - 1) / block);
        }
        offset += blocks * skip;
      }
}

void PutPmSamples(const PmRecording& rec, std::vector<uint8_t>& data) {
  for (const PmGroup& g : rec.groups)
    for (const PmSeries& s : g.series)
      for (const PmSweep& w : s.sweeps)
        for (const PmTrace& t : w.traces) {
          if (t.samples.empty() || t.record.trDataOffset < 0) continue;
          const std::vector<uint8_t> bytes = EncodeSamples(t);
          const auto at = static_cast<size_t>(t.record.trDataOffset);
          if (t.record.trInterleaveSize <= 0) {
            Place(data, at, bytes, rec.padding);
            continue;
          }
          const auto block = static_cast<size_t>(t.record.trInterleaveSize);
          const auto skip = static_cast<size_t>(std::max(0, t.record.trInterleaveSkip));
          for (size_t done = 0, i = 0; done < bytes.size(); done += block, ++i) {
            const size_t n = std::min(block, bytes.size() - done);
            Place(data, at + i * skip, std::span<const uint8_t>(bytes).subspan(done, n),
                  rec.padding);
          }
        }
}

std::vector<uint8_t> PulsedTreeBytes(const PmRecording& rec) {
  // Root, groups, series, sweeps, traces; traces have no children.
  const ByteOrder order = rec.pul.order;
  const uint8_t pad = rec.padding;
  TreeWriter tree = Tree(rec.pul, pad);
  tree.Put(0, EncodeRecord(rec.root, order, kRootBytes, Root, pad), rec.groups.size());
  for (const PmGroup& g : rec.groups) {
    tree.Put(1, EncodeRecord(g.record, order, kGroupBytes, Group, pad), g.series.size());
    for (const PmSeries& s : g.series) {
      tree.Put(2, EncodeRecord(s.record, order, kSeriesBytes, Series, pad), s.sweeps.size());
      for (const PmSweep& w : s.sweeps) {
        tree.Put(3, EncodeRecord(w.record, order, kSweepBytes, Sweep, pad), w.traces.size());
        for (const PmTrace& t : w.traces)
          tree.Put(4, EncodeRecord(t.record, order, kTraceBytes, Trace, pad), 0);
      }
    }
  }
  return tree.Take();
}

std::vector<uint8_t> StimulusTreeBytes(const PmRecording& rec) {
  // Root, stimulations, channels, segments.
  const ByteOrder order = rec.pgf.order;
  const uint8_t pad = rec.padding;
  TreeWriter tree = Tree(rec.pgf, pad);
  tree.Put(0, Filler(kStimRootBytes, pad), rec.stimulations.size());
  for (const PmStimulation& st : rec.stimulations) {
    tree.Put(1, EncodeRecord(st.record, order, kStimulationBytes, Stimulation, pad),
             st.channels.size());
    for (const PmChannel& ch : st.channels) {
      tree.Put(2, EncodeRecord(ch.record, order, kChannelBytes, Channel, pad), ch.segments.size());
      for (const PmSegmentRecord& seg : ch.segments)
        tree.Put(3, EncodeRecord(seg, order, kSegmentBytes, Segment, pad), 0);
    }
  }
  return tree.Take();
}

std::vector<uint8_t> AmplifierTreeBytes(const PmRecording& rec) {
  // Root, amplifier series, amplifier states.
  const uint8_t pad = rec.padding;
  TreeWriter tree = Tree(rec.amp, pad);
  tree.Put(0, Filler(kAmpRootBytes, pad), rec.ampSeries.size());
  for (const PmAmpSeries& as : rec.ampSeries) {
    tree.Put(1, Filler(kAmpSeriesBytes, pad), as.states.size());
    for (const AmpStateRecord& state : as.states)
      tree.Put(2, EncodeRecord(state, rec.amp.order, kAmpStateBytes, AmpState, pad), 0);
  }
  return tree.Take();
}

std::vector<uint8_t> SolutionTreeBytes(const PmRecording& rec) {
  // Root, solutions, chemicals (records of padding alone).
  const uint8_t pad = rec.padding;
  TreeWriter tree = Tree(rec.sol, pad);
  tree.Put(0, Filler(kSolRootBytes, pad), rec.solutions.size());
  for (const PmSolution& s : rec.solutions) {
    tree.Put(1, EncodeRecord(s.record, rec.sol.order, kSolutionBytes, Solution, pad),
             static_cast<size_t>(s.chemicals));
    for (int32_t c = 0; c < s.chemicals; ++c) tree.Put(2, Filler(kChemicalBytes, pad), 0);
  }
  return tree.Take();
}

std::vector<uint8_t> PmBundleBytes(const PmRecording& recording) {
  PmRecording rec = recording;
  LayOutPmData(rec, kBundleHeaderSize);

  // The samples sit at their absolute offsets behind the header; the trees
  // follow them, each as one item.
  std::vector<uint8_t> file(kBundleHeaderSize, 0);
  PutPmSamples(rec, file);
  struct Item {
    size_t start = 0;
    size_t length = 0;
    const char* extension = "";
  };
  std::array<Item, kBundleItemCount> items{};
  items[0] = {kBundleHeaderSize, file.size() - kBundleHeaderSize, ".dat"};
  auto append = [&](size_t index, const std::vector<uint8_t>& tree, const char* extension) {
    items[index] = {file.size(), tree.size(), extension};
    file.insert(file.end(), tree.begin(), tree.end());
  };
  append(kBundleItemPulsed, PulsedTreeBytes(rec), ".pul");
  append(kBundleItemStimulus, StimulusTreeBytes(rec), ".pgf");
  if (rec.writeAmplifier) append(kBundleItemAmplifier, AmplifierTreeBytes(rec), ".amp");
  if (rec.writeSolution) append(kBundleItemSolution, SolutionTreeBytes(rec), ".sol");

  // The header in the order its byte 52 announces.
  ByteWriter header(rec.headerLittleEndian != 0 ? ByteOrder::kLittle : ByteOrder::kBig);
  header.PutFill(kBundleHeaderSize, 0);
  header.StoreText(0, "DAT2", 8);
  header.StoreText(8, "kwt test writer", 32);
  header.StoreF64(40, rec.root.roStartTime);
  int32_t present = 0;
  for (const Item& item : items) present += item.start != 0 ? 1 : 0;
  header.StoreI32(48, present);
  header.StoreU8(52, rec.headerLittleEndian);
  for (size_t i = 0; i < kBundleItemCount; ++i) {
    const size_t at = BundleItemEntryOffset(i);
    header.StoreI32(at, static_cast<int32_t>(items[i].start));
    header.StoreI32(at + 4, static_cast<int32_t>(items[i].length));
    header.StoreText(at + 8, items[i].extension, 8);
  }
  std::copy(header.bytes().begin(), header.bytes().end(), file.begin());
  return file;
}

PmFiles WritePmBundle(const PmRecording& rec, const std::filesystem::path& path) {
  PmFiles files;
  files.data = path;
  WriteFileBytes(path, PmBundleBytes(rec));
  return files;
}

PmFiles WritePmSiblings(const PmRecording& recording, const std::filesystem::path& dataFile) {
  PmRecording rec = recording;
  LayOutPmData(rec, rec.siblingDataStart);
  std::vector<uint8_t> data(rec.siblingDataStart, rec.padding);
  for (size_t i = 0; i < rec.dataSignature.size(); ++i) {
    if (i >= data.size()) data.push_back(0);
    data[i] = static_cast<uint8_t>(rec.dataSignature[i]);
  }
  PutPmSamples(rec, data);

  PmFiles files;
  files.data = dataFile;
  files.pul = std::filesystem::path(dataFile).replace_extension("pul");
  files.pgf = std::filesystem::path(dataFile).replace_extension("pgf");
  WriteFileBytes(files.data, data);
  WriteFileBytes(files.pul, PulsedTreeBytes(rec));
  WriteFileBytes(files.pgf, StimulusTreeBytes(rec));
  if (rec.writeAmplifier) {
    files.amp = std::filesystem::path(dataFile).replace_extension("amp");
    WriteFileBytes(files.amp, AmplifierTreeBytes(rec));
  }
  if (rec.writeSolution) {
    files.sol = std::filesystem::path(dataFile).replace_extension("sol");
    WriteFileBytes(files.sol, SolutionTreeBytes(rec));
  }
  return files;
}

}  // namespace kwt::test
