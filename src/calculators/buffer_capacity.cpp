#include "calculators/buffer_capacity.h"

#include <cmath>

#include "calculators/prefixed_number.h"
#include "support/format.h"

namespace kwt {
namespace {

constexpr CalculatorMessage kNeedKd{kErrorTitle,
                                    "Dissociation constant is required for the calculation."};
constexpr CalculatorMessage kNeedTwo{kErrorTitle,
                                     "Two values (free or total concentration) must be specified."};
constexpr CalculatorMessage kNotPossible{kNoteTitle, "Calculation was not possible"};

// Every number the calculation writes into a field or the history.
bool AllFinite(const BufferCapacityResult& r) {
  for (double v : {r.freeIon, r.totalIon, r.freeBuffer, r.totalBuffer, r.complexedBuffer, r.kd,
                   r.capacity, r.maxBindingRatio})
    if (!std::isfinite(v)) return false;
  return true;
}

}  // namespace

bool CalculateBufferCapacity(const BufferCapacityInput& in, BufferCapacityResult* out,
                             CalculatorMessage* message) {
  *message = {};
  if (!in.kd) {
    *message = kNeedKd;
    return false;
  }
  BufferCapacityResult r;
  r.kd = *in.kd;
  const double kd = r.kd;
  // The pair of given values picks the equations; the first pair that is
  // complete wins, so totals take precedence over free values.
  if (in.totalIon && in.totalBuffer) {
    // Free ion from the binding equilibrium: c^2 + p c - Ct Kd = 0.
    r.totalIon = *in.totalIon;
    r.totalBuffer = *in.totalBuffer;
    const double p = r.totalBuffer + kd - r.totalIon;
    const double q = p * p / 4.0 + r.totalIon * kd;
    if (q < 0.0) {
      *message = kNotPossible;
      return false;
    }
    r.freeIon = std::sqrt(q) - p / 2.0;
    r.complexedBuffer = r.totalIon - r.freeIon;
    r.freeBuffer = r.totalBuffer - r.complexedBuffer;
  } else if (!in.totalIon && in.totalBuffer && in.freeIon) {
    // Free buffer from the equilibrium Kd = c Bf / Bc with Bt = Bf + Bc.
    r.freeIon = *in.freeIon;
    r.totalBuffer = *in.totalBuffer;
    if (r.freeIon + kd == 0.0) {
      *message = kNotPossible;
      return false;
    }
    r.freeBuffer = r.totalBuffer * kd / (r.freeIon + kd);
    r.complexedBuffer = r.totalBuffer - r.freeBuffer;
    r.totalIon = r.complexedBuffer + r.freeIon;
  } else if (in.totalIon && in.freeBuffer) {
    // Free ion from the same equilibrium with Ct = c + Bc.
    r.totalIon = *in.totalIon;
    r.freeBuffer = *in.freeBuffer;
    if (r.freeBuffer + kd == 0.0) {
      *message = kNotPossible;
      return false;
    }
    r.freeIon = kd * r.totalIon / (r.freeBuffer + kd);
    r.complexedBuffer = r.totalIon - r.freeIon;
    r.totalBuffer = r.complexedBuffer + r.freeBuffer;
  } else if (in.freeIon && in.freeBuffer) {
    // Both free values give the complex directly.
    r.freeIon = *in.freeIon;
    r.freeBuffer = *in.freeBuffer;
    if (kd == 0.0) {
      *message = kNotPossible;
      return false;
    }
    r.complexedBuffer = r.freeBuffer * r.freeIon / kd;
    r.totalIon = r.complexedBuffer + r.freeIon;
    r.totalBuffer = r.complexedBuffer + r.freeBuffer;
  } else {
    *message = kNeedTwo;
    return false;
  }
  // The buffering capacity dBc/dc = Bt Kd / (c + Kd)^2, written as
  // Bf / (c + Kd); the maximal binding ratio is its limit for c -> 0.
  r.capacity = (r.freeIon + r.totalBuffer - r.totalIon) / (r.freeIon + kd);
  r.maxBindingRatio = r.totalBuffer / kd;
  // A zero Kd (or zero sums) can leave a division by zero in the capacity
  // or the ratio; an infinite value in a field is no result.
  if (!AllFinite(r)) {
    *message = kNotPossible;
    return false;
  }
  *out = r;
  return true;
}

// Each label is padded to 19 characters so that the values line up.
std::string BufferCapacityHistory(const BufferCapacityResult& r) {
  std::string text = "Calculation of Buffer Capacity\r";
  const auto concentration = [&](const char* label, double v) {
    AppendFormat(text, " %s %sM\r", label, FormatPrefixedNumber(v).c_str());
  };
  concentration("Total ion:         ", r.totalIon);
  concentration("Free ion:          ", r.freeIon);
  concentration("Total buffer:      ", r.totalBuffer);
  concentration("Free buffer:       ", r.freeBuffer);
  concentration("Complexed buffer:  ", r.complexedBuffer);
  concentration("K-Diss.:           ", r.kd);
  AppendFormat(text, " %s %6.1f\r", "Buffering capacity:", r.capacity);
  AppendFormat(text, " %s %6.1f\r", "max. Binding Ratio:", r.maxBindingRatio);
  return text;
}

}  // namespace kwt
