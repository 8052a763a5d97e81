// The data file of an X-Chart recording (".grp"): the samples of every
// group.
//
// At the group's sample offset the file holds, for each of the group's 17
// trace records in table order, one byte (the present flag) and then, only
// when that trace is active and the flag is non-zero, the trace's samples:
// the group's point count of 32-bit floats in the byte order of the group
// record (sampleOrder 1 little-endian, anything else big-endian).  A sample
// whose 32 bits are 0x72FC6F6C marks a missing value and is read as NaN.
#pragma once

#include <cstdint>
#include <span>

#include "support/byte_reader.h"
#include "xchart/xchart_records.h"

namespace kwt {

// The bit pattern that marks a missing sample.
inline constexpr uint32_t kXChartMissingSample = 0x72FC6F6C;

// How a walk over the data file ended.
enum class XChartDataEnd {
  kComplete,      // every flag was read, every present trace read or skipped
  kStopped,       // the visitor asked to stop
  kShort,         // the file does not hold what the group describes: its
                  // offset lies outside the file, one trace's samples do not
                  // fit behind it, or the file ends inside a flag or samples
  kInconsistent,  // a present flag for an inactive trace: where the samples
                  // behind it end cannot be known
};

// What the walk does with each present trace.
class XChartSampleVisitor {
 public:
  enum class Action { kRead, kSkip, kStop };
  struct Placement {
    Action action = Action::kSkip;
    std::span<float> samples;  // for kRead: exactly the group's point count
  };

  virtual ~XChartSampleVisitor() = default;
  // A present trace at table position `position` (0..16): read its samples
  // into the span, skip them, or end the walk before them.
  virtual Placement Place(int32_t position) = 0;
  // After a kRead: `read` of the group's `points` samples came from the
  // file; when the file ended inside them, those not read are NaN.  The
  // default tells Placed whether all came.
  virtual void PlacedSamples(int32_t position, int64_t read, int64_t points) {
    Placed(position, read == points);
  }
  // After a kRead: `complete` is false when the file ended inside the
  // samples.
  virtual void Placed(int32_t position, bool complete) {
    (void)position;
    (void)complete;
  }
};

// Walks the flags and samples of `group` in `data`.  The samples of a trace
// are decoded in the group's byte order with the missing-value pattern
// turned into NaN.  Before anything is placed the walk checks that the
// sample offset lies in the file and that the file holds a flag and one
// trace's samples behind it, so no placement is ever larger than the file.
// *at (when given) receives the table position at which a walk that did not
// complete ended: the trace cut short, the one stopped before, or the one
// whose present flag contradicts the tree (-1 when it ended before any).
XChartDataEnd ReadXChartSamples(const ByteSource& data, const XChartGroup& group,
                                const XChartTraceTable& traces, XChartSampleVisitor& visitor,
                                int32_t* at = nullptr);

// The order of the group's samples: little-endian when sampleOrder is 1.
ByteOrder XChartSampleOrder(const XChartGroup& group);

}  // namespace kwt
