// Buffer capacity: one ion and one buffer with a single dissociation
// constant.  From two of the four concentrations (total and free ion,
// total and free buffer) and Kd the others follow, with the complexed
// buffer, the buffering capacity and the maximal binding ratio.
#pragma once

#include <optional>
#include <string>

#include "calculators/calculator_message.h"

namespace kwt {

// What the fields gave, molar; nullopt where a field did not read (a typed
// 0 is given).
struct BufferCapacityInput {
  std::optional<double> totalIon;
  std::optional<double> freeIon;
  std::optional<double> totalBuffer;
  std::optional<double> freeBuffer;
  std::optional<double> kd;
};

struct BufferCapacityResult {
  double freeIon = 0.0;
  double totalIon = 0.0;
  double freeBuffer = 0.0;
  double totalBuffer = 0.0;
  double complexedBuffer = 0.0;
  double kd = 0.0;
  double capacity = 0.0;         // dimensionless
  double maxBindingRatio = 0.0;  // dimensionless
};

// Completes the concentrations.  Returns false with the message to show
// when Kd or a second value is missing, or the values admit no solution.
bool CalculateBufferCapacity(const BufferCapacityInput& input, BufferCapacityResult* result,
                             CalculatorMessage* message);

// The history text of a result: "Calculation of Buffer Capacity\r" and one
// line per quantity, each ending in "\r".
std::string BufferCapacityHistory(const BufferCapacityResult& result);

}  // namespace kwt
