#include "pulse/pulse_records.h"

#include "traces/trace_samples.h"

namespace kwt {
namespace {

// The layouts mirror the stored records field by field; each table lists
// every field so that the tables tile their record without gaps.

constexpr RecordField<RootRecord> kRootFields[] = {
    Field<&RootRecord::version>(0),     Field<&RootRecord::versionName>(2),
    Field<&RootRecord::field16>(16),    Field<&RootRecord::field30>(30),
    Field<&RootRecord::field110>(110),  Field<&RootRecord::field190>(190),
    Field<&RootRecord::field270>(270),  Field<&RootRecord::field350>(350),
    Field<&RootRecord::startTime>(430),
};

constexpr RecordField<GroupRecord> kGroupFields[] = {
    Field<&GroupRecord::label>(0),
    Field<&GroupRecord::text>(14),
    Field<&GroupRecord::field94>(94),
    Field<&GroupRecord::field98>(98),
};

// The series record: times and recording conditions (0..121), the comment
// (122), the amplifier and compensation settings (202..313), the trace
// units (314), Fura calibration and phase (326..357) and the LockIn
// calibration (398..439).
using S = SeriesRecord;
constexpr RecordField<SeriesRecord> kSeriesFields[] = {
    Field<&S::seriesTime>(0),
    Field<&S::bandwidth>(8),
    Field<&S::holding>(16),
    Field<&S::cellPotential>(24),
    Field<&S::pipetteResistance>(32),
    Field<&S::sealResistance>(40),
    Field<&S::field48>(48),
    Field<&S::temperature>(56),
    Field<&S::field64>(64),
    Field<&S::userParam1Value>(72),
    Field<&S::userParam1Name>(80),
    Field<&S::userParam1Unit>(94),
    Field<&S::userParam2Value>(96),
    Field<&S::userParam2Name>(104),
    Field<&S::userParam2Unit>(118),
    Field<&S::recordingMode>(120),
    Field<&S::field121>(121),
    Field<&S::comment>(122),
    Field<&S::field202>(202),
    Field<&S::clampSpeed>(203),
    Field<&S::field204>(204),
    Field<&S::gainRange>(205),
    Field<&S::field206>(206),
    Field<&S::filter2Type>(207),
    Field<&S::filter1Bandwidth>(208),
    Field<&S::rsOn>(212),
    Field<&S::field213>(213),
    Field<&S::field214>(214),
    Field<&S::rsFraction>(218),
    Field<&S::field222>(222),
    Field<&S::cFastAmp1>(226),
    Field<&S::cFastAmp2>(230),
    Field<&S::field234>(234),
    Field<&S::compensationCorrection>(238),
    Field<&S::field239>(239),
    Field<&S::field240>(240),
    Field<&S::field244>(244),
    Field<&S::field248>(248),
    Field<&S::stimFilterOn862>(249),
    Field<&S::field250>(250),
    Field<&S::stimFilterOn>(252),
    Field<&S::field253>(253),
    Field<&S::field254>(254),
    Field<&S::field255>(255),
    Field<&S::field256>(256),
    Field<&S::vOffset>(260),
    Field<&S::lj>(264),
    Field<&S::field268>(268),
    Field<&S::field269>(269),
    Field<&S::field270>(270),
    Field<&S::field274>(274),
    Field<&S::field278>(278),
    Field<&S::field279>(279),
    Field<&S::field280>(280),
    Field<&S::field281>(281),
    Field<&S::filter2Bandwidth>(282),
    Field<&S::field286>(286),
    Field<&S::field287>(287),
    Field<&S::field288>(288),
    Field<&S::field289>(289),
    Field<&S::field290>(290),
    Field<&S::field292>(292),
    Field<&S::field296>(296),
    Field<&S::amplifierKind>(300),
    Field<&S::field301>(301),
    Field<&S::amplifierModel>(302),
    Field<&S::internalSolution>(306),
    Field<&S::externalSolution>(310),
    Field<&S::unit1>(314),
    Field<&S::unit2>(316),
    Field<&S::field318>(318),
    Field<&S::field322>(322),
    Field<&S::furaKEff>(326),
    Field<&S::furaRMin>(334),
    Field<&S::furaRMax>(342),
    Field<&S::phase>(350),
    Field<&S::field358>(358),
    Field<&S::field366>(366),
    Field<&S::field374>(374),
    Field<&S::field382>(382),
    Field<&S::field390>(390),
    Field<&S::extPhase>(398),
    Field<&S::extAttenuation>(406),
    Field<&S::field414>(414),
    Field<&S::field422>(422),
    Field<&S::field430>(430),
    Field<&S::extCalibrationValid>(438),
    Field<&S::field439>(439),
};

// The sweep record: identity and trace layout (0..47), scaling and
// compensation (48..87), the sample layout (128, 174) and the timer (176).
using W = SweepRecord;
constexpr RecordField<SweepRecord> kSweepFields[] = {
    Field<&W::sweepTime>(0),
    Field<&W::stimulation>(8),
    Field<&W::sweepNumber>(12),
    Field<&W::averageCount>(16),
    Field<&W::hasLeak>(20),
    Field<&W::hasSecondTrace>(21),
    Field<&W::label>(22),
    Field<&W::dataPoints>(36),
    Field<&W::dataOffset>(40),
    Field<&W::field44>(44),
    Field<&W::factor1>(48),
    Field<&W::factor2>(56),
    Field<&W::cSlow>(64),
    Field<&W::gSeries>(72),
    Field<&W::rsValue>(80),
    Field<&W::field88>(88),
    Field<&W::field96>(96),
    Field<&W::field104>(104),
    Field<&W::field112>(112),
    Field<&W::field120>(120),
    Field<&W::field124>(124),
    Field<&W::kindBits>(128),
    Field<&W::field130>(130),
    Field<&W::field134>(134),
    Field<&W::field138>(138),
    Field<&W::field142>(142),
    Field<&W::field150>(150),
    Field<&W::field158>(158),
    Field<&W::field166>(166),
    Field<&W::sampleFormat>(174),
    Field<&W::field175>(175),
    Field<&W::timer>(176),
    Field<&W::field184>(184),
    Field<&W::field188>(188),
    Field<&W::field196>(196),
};

// The tables end exactly at the known sizes the tree reader allocates its
// scratch buffers with; a mismatch would leave fields undecoded or read
// beyond the buffer's meaning.
static_assert(KnownSize(kRootFields) == kRootRecordSize);
static_assert(KnownSize(kGroupFields) == kGroupRecordSize);
static_assert(KnownSize(kSeriesFields) == kSeriesRecordSize);
static_assert(KnownSize(kSweepFields) == kSweepRecordSize);

}  // namespace

std::span<const RecordField<RootRecord>> RootRecordFields() { return kRootFields; }
std::span<const RecordField<GroupRecord>> GroupRecordFields() { return kGroupFields; }
std::span<const RecordField<SeriesRecord>> SeriesRecordFields() { return kSeriesFields; }
std::span<const RecordField<SweepRecord>> SweepRecordFields() { return kSweepFields; }

void DecodeRootRecord(std::span<const uint8_t> bytes, ByteOrder order, RootRecord* out) {
  DecodeFields(RootRecordFields(), bytes, order, out);
}
void DecodeGroupRecord(std::span<const uint8_t> bytes, ByteOrder order, GroupRecord* out) {
  DecodeFields(GroupRecordFields(), bytes, order, out);
}
void DecodeSeriesRecord(std::span<const uint8_t> bytes, ByteOrder order, SeriesRecord* out) {
  DecodeFields(SeriesRecordFields(), bytes, order, out);
}
void DecodeSweepRecord(std::span<const uint8_t> bytes, ByteOrder order, SweepRecord* out) {
  DecodeFields(SweepRecordFields(), bytes, order, out);
}

double SignedHolding(const SeriesRecord& series) {
  return ReversesPotentialSign(series.recordingMode) ? -series.holding : series.holding;
}

int32_t SweepSampleFormat(const SweepRecord& sweep) {
  // sampleFormat holds a format only when both kind bits are set; otherwise
  // the samples are 16-bit.  The kind word is tested as unsigned so that a
  // set sign bit does not matter.
  const auto bits = static_cast<uint16_t>(sweep.kindBits);
  const auto both = static_cast<uint16_t>(kSweepKindFormatBit0 | kSweepKindFormatBit3);
  return (bits & both) == both ? sweep.sampleFormat : kSampleInt16;
}

ByteOrder SweepSampleOrder(const SweepRecord& sweep) {
  return (static_cast<uint16_t>(sweep.kindBits) & kSweepKindLittleEndian) != 0 ? ByteOrder::kLittle
                                                                               : ByteOrder::kBig;
}

}  // namespace kwt
