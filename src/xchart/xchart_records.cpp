#include "xchart/xchart_records.h"

#include "support/fixed_text.h"
#include "support/record_decoder.h"

namespace kwt {
namespace {

// The fields each record keeps, at their offsets in the stored record.  The
// bytes between them (settings blocks, statistics, reserved words) are not
// interpreted by the module.

constexpr RecordField<XChartHeader> kHeaderFields[] = {
    Field<&XChartHeader::rootSize>(8),
    Field<&XChartHeader::groupSize>(12),
    Field<&XChartHeader::traceSize>(16),
    Field<&XChartHeader::identification>(20),
    Field<&XChartHeader::title>(54),
    Field<&XChartHeader::groupCount>(552),
};

constexpr RecordField<XChartGroup> kGroupFields[] = {
    Field<&XChartGroup::points>(1076),
    Field<&XChartGroup::sampleOffset>(1080),
    Field<&XChartGroup::sampleOrder>(1089),
    Field<&XChartGroup::time>(1092),
};

constexpr RecordField<XChartTrace> kTraceFields[] = {
    Field<&XChartTrace::active>(0),
    Field<&XChartTrace::name>(22),
    Field<&XChartTrace::unit>(34),
    Field<&XChartTrace::style>(46),
    Field<&XChartTrace::ticks>(48),
    Field<&XChartTrace::axisMin>(50),
    Field<&XChartTrace::axisMax>(58),
    Field<&XChartTrace::slot>(66),
    Field<&XChartTrace::height>(68),
    Field<&XChartTrace::colour>(70),
    Field<&XChartTrace::autoZeroApplied>(78),
    Field<&XChartTrace::autoZero>(80),
};

constexpr std::span<const RecordField<XChartHeader>> HeaderLayout() { return kHeaderFields; }
constexpr std::span<const RecordField<XChartGroup>> GroupLayout() { return kGroupFields; }
constexpr std::span<const RecordField<XChartTrace>> TraceLayout() { return kTraceFields; }

// The description lines lie back to back from offset 0, 80 bytes each.
constexpr size_t kDescriptionLineWidth = 80;

static_assert(KnownSize(HeaderLayout()) <= kXChartHeaderSize);
static_assert(KnownSize(GroupLayout()) <= kXChartGroupSize);
static_assert(KnownSize(TraceLayout()) <= kXChartTraceSize);

}  // namespace

void DecodeXChartHeader(std::span<const uint8_t> bytes, ByteOrder order, XChartHeader* out) {
  *out = XChartHeader{};
  out->order = order;
  DecodeFields(HeaderLayout(), bytes, order, out);
}

void DecodeXChartGroup(std::span<const uint8_t> bytes, ByteOrder order, XChartGroup* out) {
  *out = XChartGroup{};
  for (int line = 0; line < kXChartDescriptionLines; ++line)
    CopyFixedText(bytes, static_cast<size_t>(line) * kDescriptionLineWidth,
                  std::span<char>(out->description[line]));
  DecodeFields(GroupLayout(), bytes, order, out);
}

void DecodeXChartTrace(std::span<const uint8_t> bytes, ByteOrder order, XChartTrace* out) {
  *out = XChartTrace{};
  DecodeFields(TraceLayout(), bytes, order, out);
}

}  // namespace kwt
