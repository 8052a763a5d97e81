// The samples of a real wave as a span, for computations that run over a
// wave the host made.
#pragma once

#include <span>

#include "host/host.h"

namespace kwt {

// The 64-bit real samples of a wave; empty when the wave is missing, of
// another type or without points.
inline std::span<double> DoubleSamples(WaveHandle wave) {
  if (wave == nullptr || HostWaveType(wave) != kWaveFloat64) return {};
  auto* data = static_cast<double*>(HostWaveData(wave));
  const int64_t points = HostWavePoints(wave);
  if (data == nullptr || points <= 0) return {};
  return {data, static_cast<size_t>(points)};
}

// The 32-bit real samples of a wave, likewise.
inline std::span<const float> FloatSamples(WaveHandle wave) {
  if (wave == nullptr || HostWaveType(wave) != kWaveFloat32) return {};
  const auto* data = static_cast<const float*>(HostWaveData(wave));
  const int64_t points = HostWavePoints(wave);
  if (data == nullptr || points <= 0) return {};
  return {data, static_cast<size_t>(points)};
}

}  // namespace kwt
