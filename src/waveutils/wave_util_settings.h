// The settings record of the wave utilities (AutoStats, PlotWaves,
// SlimWaves).  One record lives for as long as the module is loaded: each
// call resets only the fields of its own operation, so that the base name
// and the reference wave's path carry over from one call to the next.
#pragma once

#include <cstdint>
#include <string>

#include "host/host.h"

namespace kwt {

// The three operations that share the parser, numbered as the operation
// table numbers them.
enum class WaveUtilOperation : int32_t { kAutoStats = 0, kPlotWaves = 1, kSlimWaves = 2 };

// How SlimWaves thins its inputs.
enum class SlimMode { kDecimate, kAverage, kReference };

struct WaveUtilSettings {
  // All three operations; cleared at the start of every call.
  bool graph = false;        // /G
  bool table = false;        // /T
  WaveHandle xWave = nullptr;
  std::string xWavePath;     // /X=wave: folder path (ending in ":") + name

  // AutoStats and SlimWaves.  SlimWaves sets "slim" at the start of every
  // call; AutoStats keeps whatever was set last and uses "swave" only while
  // nothing was ever set.
  std::string baseName;      // /N=name (bare name, folder part dropped)

  // AutoStats only; cleared at the start of every AutoStats call.
  bool appendToTop = false;  // /A
  bool perWave = false;      // /W
  bool keepMinMax = false;   // /M
  bool copyScaling = false;  // /S

  // PlotWaves only; reset at the start of every PlotWaves call.
  bool colours = false;          // /C
  bool overlay = false;          // /O
  bool baseline = false;         // /B, also set by /Z=
  double baselineLevel = 0.0;    // /Z=num; NaN when not given
  bool independentAxes = false;  // /I
  double lowerLimit = 0.0;       // /L=num; NaN when not given
  double upperLimit = 0.0;       // /U=num; NaN when not given
  bool limitsGiven = false;

  // SlimWaves only.  slimMode and factor are reset at the start of every
  // SlimWaves call; referencePath keeps the last /R=wave.
  SlimMode slimMode = SlimMode::kDecimate;
  double factor = 2.0;
  std::string referencePath;  // folder path (ending in ":") + name

  WaveUtilSettings();
};

// The module-wide record.
WaveUtilSettings& WaveUtilState();

// Puts the record back to its state at load time (every text empty, every
// flag false, factor 2, limits NaN).  Called when the module is loaded.
void ResetWaveUtilSettings();

// Resets the fields that a call of `operation` resets (and graph, table and
// the x-wave for every operation).
void BeginWaveUtilCall(WaveUtilSettings& settings, WaveUtilOperation operation);

}  // namespace kwt
