#include "waveutils/wave_util_settings.h"

#include <limits>

namespace kwt {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ResetPlotWaves(WaveUtilSettings& s) {
  s.colours = false;
  s.overlay = false;
  s.baseline = false;
  s.baselineLevel = kNaN;
  s.independentAxes = false;
  s.lowerLimit = kNaN;
  s.upperLimit = kNaN;
  s.limitsGiven = false;
}

}  // namespace

WaveUtilSettings::WaveUtilSettings() { ResetPlotWaves(*this); }

WaveUtilSettings& WaveUtilState() {
  static WaveUtilSettings settings;
  return settings;
}

void ResetWaveUtilSettings() { WaveUtilState() = WaveUtilSettings(); }

void BeginWaveUtilCall(WaveUtilSettings& s, WaveUtilOperation operation) {
  s.graph = false;
  s.table = false;
  s.xWave = nullptr;
  s.xWavePath.clear();
  switch (operation) {
    case WaveUtilOperation::kAutoStats:
      // The base name is deliberately kept.
      s.appendToTop = false;
      s.perWave = false;
      s.keepMinMax = false;
      s.copyScaling = false;
      break;
    case WaveUtilOperation::kPlotWaves:
      ResetPlotWaves(s);
      break;
    case WaveUtilOperation::kSlimWaves:
      // The reference path is deliberately kept.
      s.baseName = "slim";
      s.slimMode = SlimMode::kDecimate;
      s.factor = 2.0;
      break;
  }
}

}  // namespace kwt
