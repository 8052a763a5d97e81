#include "patchmaster/pm_records.h"

#include <algorithm>

namespace kwt {
namespace {

// The tables list the fields the module uses in file order, at their
// offsets; the member type gives each field's width (record_decoder.h).
// The stored bytes between them are passed over.

constexpr RecordField<LockInParams> kLockInFields[] = {
    Field<&LockInParams::extPhase>(0),
    Field<&LockInParams::extAttenuation>(8),
    Field<&LockInParams::phase>(16),
    Field<&LockInParams::extCalValid>(64),
};

using A = AmplifierState;
constexpr RecordField<AmplifierState> kAmplifierFields[] = {
    Field<&A::filter1Bandwidth>(16), Field<&A::filter2Bandwidth>(24),
    Field<&A::rsValue>(32),          Field<&A::rsFraction>(40),
    Field<&A::cFastAmp1>(56),        Field<&A::cFastAmp2>(64),
    Field<&A::gSeries>(88),          Field<&A::vHold>(112),
    Field<&A::vOffset>(128),         Field<&A::vLiquidJunction>(136),
    Field<&A::ccIHold>(144),         Field<&A::amplKind>(232),
    Field<&A::aDBoard>(234),         Field<&A::clampSpeed>(238),
    Field<&A::filter2Type>(239),     Field<&A::rsOn>(240),
    Field<&A::compCorrection>(241),  Field<&A::ccRange>(242),
    Field<&A::ccGain>(243),          Field<&A::gainRange>(281),
    Field<&A::stimFilterOn>(282),
};

constexpr RecordField<PmRootRecord> kRootFields[] = {
    Field<&PmRootRecord::roVersionName>(8),
    Field<&PmRootRecord::roStartTime>(520),
};

constexpr RecordField<PmGroupRecord> kGroupFields[] = {
    Field<&PmGroupRecord::grLabel>(4),
    Field<&PmGroupRecord::grText>(36),
};

// The series record's own fields; its two blocks (LockIn parameters at 376,
// amplifier state at 472) and the user-parameter names (952) are decoded by
// their own tables at those offsets.
constexpr RecordField<PmSeriesRecord> kSeriesFields[] = {
    Field<&PmSeriesRecord::seLabel>(4),
    Field<&PmSeriesRecord::seComment>(36),
    Field<&PmSeriesRecord::seTime>(136),
    Field<&PmSeriesRecord::seUserParamValue>(344),
};
constexpr size_t kSeriesLockInOffset = 376;
constexpr size_t kSeriesAmplifierOffset = 472;
constexpr size_t kSeriesUserNamesOffset = 952;
constexpr size_t kUserParamNameSize = 40;

constexpr RecordField<PmUserParamName> kUserNameFields[] = {
    Field<&PmUserParamName::name>(0),
    Field<&PmUserParamName::unit>(32),
};

using W = PmSweepRecord;
constexpr RecordField<PmSweepRecord> kSweepFields[] = {
    Field<&W::swLabel>(4),         Field<&W::stimNo>(40),       Field<&W::swSweepNumber>(44),
    Field<&W::swTime>(48),         Field<&W::swTimer>(56),      Field<&W::swTemperature>(96),
    Field<&W::swDigitalIn>(112),   Field<&W::swDigitalOut>(116),
};

using T = PmTraceRecord;
constexpr RecordField<PmTraceRecord> kTraceFields[] = {
    Field<&T::trLabel>(4),
    Field<&T::trTraceCount>(36),
    Field<&T::trDataOffset>(40),
    Field<&T::trDataPoints>(44),
    Field<&T::trIntSolution>(48),
    Field<&T::trAverageCount>(52),
    Field<&T::trLeakCount>(56),
    Field<&T::trDataKind>(64),
    Field<&T::trRecordingMode>(68),
    Field<&T::trAmplIndex>(69),
    Field<&T::trDataFormat>(70),
    Field<&T::trDataScaler>(72),
    Field<&T::trXStart>(80),
    Field<&T::trZeroData>(88),
    Field<&T::trYUnit>(96),
    Field<&T::trXInterval>(104),
    Field<&T::trBandwidth>(144),
    Field<&T::trCSlow>(176),
    Field<&T::trGSeries>(184),
    Field<&T::trRsValue>(192),
    Field<&T::trLinkDAChannel>(216),
    Field<&T::trExtSolution>(244),
    Field<&T::trInterleaveSize>(292),
    Field<&T::trInterleaveSkip>(296),
};

using St = PmStimulationRecord;
constexpr RecordField<PmStimulationRecord> kStimulationFields[] = {
    Field<&St::stName>(4),           Field<&St::stStartSegment>(100),
    Field<&St::stStartTime>(104),    Field<&St::stSampleInterval>(112),
    Field<&St::stLeakDelay>(128),    Field<&St::stNumberSweeps>(144),
    Field<&St::stNumberLeaks>(148),  Field<&St::stLockInFlag>(168),
};

using Ch = PmChannelRecord;
constexpr RecordField<PmChannelRecord> kChannelFields[] = {
    Field<&Ch::chLinkedChannel>(4),      Field<&Ch::chAdcMode>(22),
    Field<&Ch::chHoldFromLast>(27),      Field<&Ch::chDacChannel>(28),
    Field<&Ch::chDacMode>(30),           Field<&Ch::chHolding>(48),
    Field<&Ch::chLeakHolding>(56),       Field<&Ch::chLeakSize>(64),
    Field<&Ch::chDacBit>(84),            Field<&Ch::chSineCycle>(96),
    Field<&Ch::chSineAmplitude>(104),    Field<&Ch::chReversalPotential>(112),
    Field<&Ch::chSkipCycles>(160),
};

using Sg = PmSegmentRecord;
constexpr RecordField<PmSegmentRecord> kSegmentFields[] = {
    Field<&Sg::segClass>(4),            Field<&Sg::segStore>(5),
    Field<&Sg::segVoltageIncMode>(6),   Field<&Sg::segDurationIncMode>(7),
    Field<&Sg::segVoltage>(8),          Field<&Sg::segVoltageSource>(16),
    Field<&Sg::segDeltaVFactor>(20),    Field<&Sg::segDeltaVIncrement>(28),
    Field<&Sg::segDuration>(36),        Field<&Sg::segDeltaTFactor>(48),
    Field<&Sg::segDeltaTIncrement>(56),
};

constexpr size_t kAmpStateLockInOffset = 16;
constexpr size_t kAmpStateAmplifierOffset = 112;

constexpr RecordField<SolutionRecord> kSolutionFields[] = {
    Field<&SolutionRecord::solName>(4),
};

// Every table must lie inside the known size of its record (or block):
// the tree reader hands over exactly that many bytes, and a field beyond
// them would silently read as zero in every file.
static_assert(KnownSize(kLockInFields) <= kLockInParamsSize);
static_assert(KnownSize(kAmplifierFields) <= kAmplifierStateSize);
static_assert(KnownSize(kRootFields) <= kPmRootRecordSize);
static_assert(KnownSize(kGroupFields) <= kPmGroupRecordSize);
static_assert(KnownSize(kSeriesFields) <= kSeriesLockInOffset);
static_assert(kSeriesLockInOffset + kLockInParamsSize == kSeriesAmplifierOffset);
static_assert(kSeriesUserNamesOffset + 4 * kUserParamNameSize <= kPmSeriesRecordSize);
static_assert(KnownSize(kUserNameFields) <= kUserParamNameSize);
static_assert(KnownSize(kSweepFields) <= kPmSweepRecordSize);
static_assert(KnownSize(kTraceFields) <= kPmTraceRecordSize);
static_assert(KnownSize(kStimulationFields) <= kPmStimulationRecordSize);
static_assert(KnownSize(kChannelFields) <= kPmChannelRecordSize);
static_assert(KnownSize(kSegmentFields) <= kPmSegmentRecordSize);
static_assert(kAmpStateAmplifierOffset + kAmplifierStateSize <= kAmpStateRecordSize);
static_assert(KnownSize(kSolutionFields) <= kSolutionRecordSize);


}  // namespace

ByteOrder TraceSampleOrder(const PmTraceRecord& trace) {
  // Tested as unsigned so that a set sign bit of the kind word is one bit
  // among others.
  return (static_cast<uint16_t>(trace.trDataKind) & kTraceKindLittleEndian) != 0
             ? ByteOrder::kLittle
             : ByteOrder::kBig;
}

void DecodeLockInParams(std::span<const uint8_t> bytes, ByteOrder order, LockInParams* out) {
  DecodeFields(kLockInFields, bytes, order, out);
}

void DecodeAmplifierState(std::span<const uint8_t> bytes, ByteOrder order, AmplifierState* out) {
  DecodeFields(kAmplifierFields, bytes, order, out);
}

void DecodePmRootRecord(std::span<const uint8_t> bytes, ByteOrder order, PmRootRecord* out) {
  DecodeFields(kRootFields, bytes, order, out);
}

void DecodePmGroupRecord(std::span<const uint8_t> bytes, ByteOrder order, PmGroupRecord* out) {
  DecodeFields(kGroupFields, bytes, order, out);
}

void DecodePmSeriesRecord(std::span<const uint8_t> bytes, ByteOrder order, PmSeriesRecord* out) {
  DecodeFields(kSeriesFields, bytes, order, out);
  DecodeLockInParams(RecordBlock(bytes, kSeriesLockInOffset, kLockInParamsSize), order,
                     &out->seLockInParams);
  DecodeAmplifierState(RecordBlock(bytes, kSeriesAmplifierOffset, kAmplifierStateSize), order,
                       &out->seAmplifierState);
  for (size_t i = 0; i < out->seUserParamName.size(); ++i)
    DecodeFields(kUserNameFields,
                 RecordBlock(bytes, kSeriesUserNamesOffset + i * kUserParamNameSize,
                             kUserParamNameSize),
                 order, &out->seUserParamName[i]);
}

void DecodePmSweepRecord(std::span<const uint8_t> bytes, ByteOrder order, PmSweepRecord* out) {
  DecodeFields(kSweepFields, bytes, order, out);
}

void DecodePmTraceRecord(std::span<const uint8_t> bytes, ByteOrder order, PmTraceRecord* out) {
  DecodeFields(kTraceFields, bytes, order, out);
}

void DecodePmStimulationRecord(std::span<const uint8_t> bytes, ByteOrder order,
                               PmStimulationRecord* out) {
  DecodeFields(kStimulationFields, bytes, order, out);
}

void DecodePmChannelRecord(std::span<const uint8_t> bytes, ByteOrder order, PmChannelRecord* out) {
  DecodeFields(kChannelFields, bytes, order, out);
}

void DecodePmSegmentRecord(std::span<const uint8_t> bytes, ByteOrder order, PmSegmentRecord* out) {
  DecodeFields(kSegmentFields, bytes, order, out);
}

void DecodeAmpStateRecord(std::span<const uint8_t> bytes, ByteOrder order, AmpStateRecord* out) {
  DecodeLockInParams(RecordBlock(bytes, kAmpStateLockInOffset, kLockInParamsSize), order,
                     &out->lockInParams);
  DecodeAmplifierState(RecordBlock(bytes, kAmpStateAmplifierOffset, kAmplifierStateSize), order,
                       &out->amplifierState);
}

void DecodeSolutionRecord(std::span<const uint8_t> bytes, ByteOrder order, SolutionRecord* out) {
  DecodeFields(kSolutionFields, bytes, order, out);
}

}  // namespace kwt
