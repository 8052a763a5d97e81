#include "waveutils/wave_utils.h"

#include <new>
#include <vector>

#include "host/host.h"
#include "waveutils/auto_stats.h"
#include "waveutils/plot_waves.h"
#include "waveutils/slim_waves.h"
#include "waveutils/wave_util_parser.h"
#include "waveutils/wave_util_settings.h"

namespace kwt {
namespace {

using Work = int32_t (*)(const WaveUtilSettings&, std::span<const WaveHandle>);

// Parses, then works on the list; the list lives for this call only.  An
// allocation that fails anywhere below ends the command at the frame's
// boundary with host error 1 (locks and pauses are released by their guards
// on the way out).
int32_t Run(WaveUtilOperation operation, Work work) {
  WaveUtilSettings& settings = WaveUtilState();
  std::vector<WaveHandle> waves;
  if (int32_t err = ParseWaveUtilCommand(operation, settings, &waves)) return err;
  return work(settings, waves);
}

}  // namespace

int32_t AutoStats() { return Run(WaveUtilOperation::kAutoStats, &RunAutoStats); }
int32_t PlotWaves() { return Run(WaveUtilOperation::kPlotWaves, &RunPlotWaves); }
int32_t SlimWaves() { return Run(WaveUtilOperation::kSlimWaves, &RunSlimWaves); }

}  // namespace kwt
