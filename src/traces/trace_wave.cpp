#include "traces/trace_wave.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "host/host.h"
#include "support/format.h"
#include "traces/load_report.h"
#include "traces/trace_samples.h"

namespace kwt {
namespace {

// Bytes of the data file read at a time.  A multiple of every sample width,
// large enough that a trace costs few system calls, small enough that a
// load holds little beside its waves.
constexpr size_t kBlockBytes = size_t{1} << 20;

// Full-scale range of the 16-bit converter, in stored units.
constexpr double kFullScaleBottom = -32768.0;
constexpr double kFullScaleTop = 32767.0;

}  // namespace

bool MakeSampleWave(std::string_view name, const TraceSamples& samples, double factor,
                    double zero, bool fullScale, double xStart, double xStep,
                    std::string_view unit, bool overwrite, int64_t* missing) {
  if (missing != nullptr) *missing = 0;
  const int32_t width = SampleFormatWidth(samples.format);
  if (width == 0 || samples.points < 0) return false;
  const auto w = static_cast<size_t>(width);
  // The block is taken before the wave is made, so that running out of
  // memory for it leaves no empty wave behind.
  const uint64_t traceBytes = static_cast<uint64_t>(samples.points) * w;
  const size_t blockBytes =
      static_cast<size_t>(std::max<uint64_t>(w, std::min<uint64_t>(kBlockBytes, traceBytes)));
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[blockBytes]);
  if (!block) {
    HostNoteOutOfMemory();
    return false;
  }

  // A wave that exists is left alone without /O; the load says so if it
  // ends up making nothing.
  if (!overwrite && HostFindWave(name) != nullptr) {
    TallyWaveExists(name);
    return false;
  }
  WaveHandle wave = nullptr;
  if (HostMakeWave(&wave, name, samples.points, kWaveFloat32, overwrite) != 0 || wave == nullptr)
    return false;
  TallyWaveMade();
  auto* data = static_cast<float*>(HostWaveData(wave));
  if (data != nullptr) {
    const std::span<uint8_t> buffer(block.get(), blockBytes);
    const int64_t absent = ReadTraceSamples(samples, factor, zero, buffer,
                                            std::span(data, static_cast<size_t>(samples.points)));
    if (missing != nullptr) *missing = absent;
  }

  // The host refuses an x step of 0; the wave then keeps its own.
  const bool validStep = xStep != 0.0 && std::isfinite(xStep);
  const std::optional<double> step = validStep ? std::optional<double>(xStep) : std::nullopt;
  if (fullScale) {
    HostSetWaveScaling(wave, step, xStart, factor * kFullScaleTop, factor * kFullScaleBottom);
  } else {
    HostSetWaveScaling(wave, step, xStart, std::nullopt, std::nullopt);
  }
  HostSetWaveUnits(wave, "s", unit);
  return true;
}

bool MakeTraceWave(std::string_view name, const TraceSamples& samples, double factor, double xStart,
                   double xStep, std::string_view unit, bool overwrite, int64_t* missing,
                   double zero) {
  return MakeSampleWave(name, samples, factor, zero, true, xStart, xStep, unit, overwrite,
                        missing);
}

void NoticeMissingSamples(std::string_view name, int64_t missing, int64_t points, bool quiet) {
  if (missing == 0) return;
  // The history line is quiet under /Q; the host's user learns of the loss
  // either way.
  HostReport({ProblemKind::kMissingSamples, std::string(name), missing, points});
  if (quiet) return;
  const std::string n(name);
  HostNotice(Format("%s: %lld of %lld samples are not in the data file and were set to 0\r",
                    n.c_str(), static_cast<long long>(missing), static_cast<long long>(points)));
}

bool AppendWaveNote(std::string_view name, std::string_view text) {
  // An empty text would leave the note as it is and still report success;
  // callers take false as "nothing was noted".
  if (name.empty() || text.empty()) return false;
  const WaveHandle wave = HostFindWave(name);
  if (wave == nullptr) return false;
  std::string note = HostGetWaveNote(wave);
  note.append(text);
  return HostSetWaveNote(wave, note) == 0;
}

}  // namespace kwt
