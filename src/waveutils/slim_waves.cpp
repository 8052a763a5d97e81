#include "waveutils/slim_waves.h"

#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "host/result_codes.h"
#include "waveutils/wave_paths.h"
#include "waveutils/wave_util_support.h"

namespace kwt {
namespace {

double NaN64() {
  double v;
  SetNaN64(&v);
  return v;
}

// The output name of an input: its name, "_" and the base name.
int32_t OutputName(WaveHandle input, const std::string& baseName, std::string* name) {
  std::string n = HostWaveName(input) + "_" + baseName;
  if (n.size() > static_cast<size_t>(kHostMaxNameLength)) return kErrNameTooLong;
  *name = std::move(n);
  return 0;
}

// ---- Decimation and averaging -------------------------------------------------------

// What one input becomes, settled before any output is made.
struct FactorPlan {
  std::string outName;
  int64_t outPoints = 0;
};

// Points 0, step, 2 step, ... copied exactly (NaN included).
template <class T>
void Decimate(const T* in, int64_t inPoints, double* out, int64_t outPoints, int64_t step) {
  int64_t s = 0;
  for (int64_t j = 0; j < outPoints && s < inPoints; ++j, s += step) out[j] = in[s];
}

// The mean of each run of `run` points, NaN left out; a run without any
// value gives NaN.
template <class T>
void Average(const T* in, int64_t inPoints, double* out, int64_t outPoints, int64_t run) {
  const double nan = NaN64();
  int64_t s = 0;
  for (int64_t j = 0; j < outPoints && s < inPoints; ++j) {
    double sum = 0.0;
    int64_t count = 0;
    const int64_t end = s + run < inPoints ? s + run : inPoints;
    for (; s < end; ++s) {
      const T raw = in[s];
      if (raw != raw) continue;
      sum += raw;
      ++count;
    }
    out[j] = count < 1 ? nan : sum / static_cast<double>(count);
  }
}

// Decimation and averaging by a factor.
int32_t SlimByFactor(const WaveUtilSettings& s, std::span<const WaveHandle> waves) {
  if (int32_t err = CheckRealFloatWaves(waves)) return err;
  const double factor = s.factor;
  if (!std::isfinite(factor) || factor < 1.0) return kErrCannotCreateOutput;
  const bool average = s.slimMode == SlimMode::kAverage;
  // A fractional factor steps by its whole part when decimating and
  // averages runs of its next whole number, so that every output point is
  // written and the x delta matches the points taken.
  const double stepValue = average ? std::ceil(factor) : std::floor(factor);

  // Names, lengths and overwrites are all checked first: a refused command
  // leaves no outputs of earlier waves behind.
  std::vector<FactorPlan> plans(waves.size());
  for (size_t i = 0; i < waves.size(); ++i) {
    if (int32_t err = OutputName(waves[i], s.baseName, &plans[i].outName)) return err;
    const double inPoints = static_cast<double>(HostWavePoints(waves[i]));
    const double outPoints = std::floor(inPoints / (average ? stepValue : factor));
    if (outPoints < 2) return kErrCannotCreateOutput;
    plans[i].outPoints = static_cast<int64_t>(outPoints);
    if (int32_t err = CheckOutputReplacesNone(plans[i].outName, waves)) return err;
  }
  // At least two output points, so the step is at most half the input.
  const int64_t step = static_cast<int64_t>(stepValue);

  // The inputs are read in place; locked, they cannot change meanwhile.
  WaveLocks locks;
  std::vector<LockedWave> locked;
  int64_t maxPoints = 0;
  if (int32_t err = locks.Lock(waves, &locked, &maxPoints)) return err;

  for (size_t i = 0; i < waves.size(); ++i) {
    const LockedWave& in = locked[i];
    WaveHandle out = nullptr;
    if (HostMakeWave(&out, plans[i].outName, plans[i].outPoints, kWaveFloat64, true) != 0 ||
        out == nullptr)
      return kErrCannotCreateOutput;

    // The output keeps the input's offset, full scale and units; its
    // points lie `step` input points apart.
    double xDelta = 1, xStart = 0, top = 0, bottom = 0;
    if (int32_t err = HostGetWaveScaling(in.wave, &xDelta, &xStart, &top, &bottom)) return err;
    if (int32_t err = HostSetWaveScaling(out, xDelta * stepValue, xStart, top, bottom)) return err;
    std::string xUnits, dataUnits;
    if (int32_t err = HostGetWaveUnits(in.wave, &xUnits, &dataUnits)) return err;
    if (int32_t err = HostSetWaveUnits(out, xUnits, dataUnits)) return err;

    auto* data = static_cast<double*>(HostWaveData(out));
    if (data == nullptr) return kErrCannotCreateOutput;
    const int64_t n = plans[i].outPoints;
    if (in.type == kWaveFloat32) {
      const auto* src = static_cast<const float*>(in.data);
      if (average) Average(src, in.points, data, n, step);
      else Decimate(src, in.points, data, n, step);
    } else {
      const auto* src = static_cast<const double*>(in.data);
      if (average) Average(src, in.points, data, n, step);
      else Decimate(src, in.points, data, n, step);
    }
  }
  return 0;
}

// ---- Reference mode ------------------------------------------------------------------

// The indices at which the reference holds a value: each starts a segment
// that runs to the next one (the last to the end of the reference).
template <class T>
void SegmentStarts(const T* ref, int64_t points, std::vector<int64_t>* starts) {
  for (int64_t i = 0; i < points; ++i)
    if (ref[i] == ref[i]) starts->push_back(i);
}

// Output k: the first value (not NaN) of the input in segment k, cut at the
// input's own length; NaN when there is none.
template <class T>
void TakeSegments(const T* in, int64_t inPoints, const std::vector<int64_t>& starts,
                  int64_t refPoints, float* out) {
  const size_t count = starts.size();
  for (size_t k = 0; k < count; ++k) {
    SetNaN32(&out[k]);
    const int64_t next = k + 1 < count ? starts[k + 1] : refPoints;
    const int64_t end = next < inPoints ? next : inPoints;
    for (int64_t i = starts[k]; i < end; ++i) {
      if (in[i] == in[i]) {
        out[k] = static_cast<float>(in[i]);
        break;
      }
    }
  }
}

// Finds the reference wave named by its full path (folder path + name).
int32_t FindReference(const std::string& path, WaveHandle* ref) {
  std::string folderPath, name;
  SplitFolderAndName(path, &folderPath, &name);
  if (name.size() > static_cast<size_t>(kHostMaxNameLength)) return kErrNameTooLong;
  // The path is kept unquoted; the host reads liberal folder names quoted.
  QuotePathComponents(&folderPath);
  FolderHandle folder = nullptr;
  const int32_t err = HostGetNamedFolder(nullptr, folderPath, &folder);
  // Running out of memory is not a missing reference.
  if (err == kHostErrNoMemory) return kErrOutOfMemory;
  if (err != 0 || folder == nullptr) return kErrNoReferenceWave;
  StripNameQuotes(&name);
  *ref = HostFetchWaveInFolder(folder, name);
  return *ref != nullptr ? 0 : kErrNoReferenceWave;
}

// Thins every input at the segments the reference marks (X-Chart mode).
int32_t SlimByReference(const WaveUtilSettings& s, std::span<const WaveHandle> waves) {
  // /R without "=" reuses the last reference; before any there is none.
  if (s.referencePath.empty()) return kErrExpectedRefWave;
  WaveHandle ref = nullptr;
  if (int32_t err = FindReference(s.referencePath, &ref)) return err;
  const int32_t refType = HostWaveType(ref);
  if (!IsRealFloatType(refType)) return kErrNotFloatWave;

  // The inputs are all read with the first input's type.
  const int32_t type = HostWaveType(waves[0]);
  if (!IsRealFloatType(type)) return kErrNotFloatWave;
  for (WaveHandle w : waves)
    if (HostWaveType(w) != type) return kErrMixedTypes;

  // Neither an input nor the reference may be replaced by an output.
  std::vector<WaveHandle> guarded(waves.begin(), waves.end());
  guarded.push_back(ref);
  std::vector<std::string> names(waves.size());
  for (size_t i = 0; i < waves.size(); ++i) {
    if (int32_t err = OutputName(waves[i], s.baseName, &names[i])) return err;
    if (int32_t err = CheckOutputReplacesNone(names[i], guarded)) return err;
  }

  WaveLocks locks;
  std::vector<LockedWave> locked;
  int64_t maxPoints = 0;
  if (int32_t err = locks.Lock(guarded, &locked, &maxPoints)) return err;
  const LockedWave& refData = locked.back();

  // A reference without any value marks nothing to keep.
  std::vector<int64_t> starts;
  if (refType == kWaveFloat32)
    SegmentStarts(static_cast<const float*>(refData.data), refData.points, &starts);
  else
    SegmentStarts(static_cast<const double*>(refData.data), refData.points, &starts);
  if (starts.empty()) return kErrNoReferenceWave;
  const int64_t segments = static_cast<int64_t>(starts.size());

  for (size_t i = 0; i < waves.size(); ++i) {
    const LockedWave& in = locked[i];
    WaveHandle out = nullptr;
    // The output has one point per segment from the start, rather than
    // the reference's length shortened afterwards: the same result without
    // holding a reference-long wave per input.
    if (HostMakeWave(&out, names[i], segments, kWaveFloat32, true) != 0 || out == nullptr)
      return kErrCannotCreateOutput;
    auto* data = static_cast<float*>(HostWaveData(out));
    if (data == nullptr) return kErrCannotCreateOutput;
    if (type == kWaveFloat32)
      TakeSegments(static_cast<const float*>(in.data), in.points, starts, refData.points, data);
    else
      TakeSegments(static_cast<const double*>(in.data), in.points, starts, refData.points, data);
    std::string xUnits, dataUnits;
    if (int32_t err = HostGetWaveUnits(in.wave, &xUnits, &dataUnits)) return err;
    if (int32_t err = HostSetWaveUnits(out, xUnits, dataUnits)) return err;
  }
  return 0;
}

}  // namespace

int32_t RunSlimWaves(const WaveUtilSettings& s, std::span<const WaveHandle> waves) {
  if (waves.empty()) return kHostErrExpectedWave;
  // The watch cursor while the waves are thinned, the arrow afterwards.
  BusyCursor busy;
  // Memory that runs out ends the thinning here, not at the frame: the
  // waves thinned so far stay, and each mode answers with its own code
  // (the reference mode with the module's out-of-memory error).
  if (s.slimMode == SlimMode::kReference) {
    try {
      return SlimByReference(s, waves);
    } catch (const std::bad_alloc&) {
      return kErrOutOfMemory;
    }
  }
  try {
    return SlimByFactor(s, waves);
  } catch (const std::bad_alloc&) {
    return kHostErrNoMemory;
  }
}

}  // namespace kwt
