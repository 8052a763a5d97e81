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

int32_t Run(WaveUtilOperation operation, Work work) {
  try {
    WaveUtilSettings& settings = WaveUtilState();
    std::vector<WaveHandle> waves;
    if (int32_t err = ParseWaveUtilCommand(operation, settings, &waves)) return err;
    return work(settings, waves);
  } catch (const std::bad_alloc&) {
    return kHostErrNoMemory;
  }
}

}  // namespace

int32_t AutoStatsOperation() { return Run(WaveUtilOperation::kAutoStats, &AutoStats); }
int32_t PlotWavesOperation() { return Run(WaveUtilOperation::kPlotWaves, &PlotWaves); }
int32_t SlimWavesOperation() { return Run(WaveUtilOperation::kSlimWaves, &SlimWaves); }

}  // namespace kwt
