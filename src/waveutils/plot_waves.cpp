#include "waveutils/plot_waves.h"

#include <cmath>
#include <string>
#include <vector>

#include "support/format.h"
#include "waveutils/wave_paths.h"
#include "waveutils/wave_util_support.h"

namespace kwt {
namespace {

// Colours as the graph commands write them (red, green, blue).
constexpr const char* kBlack = "0,0,0";
constexpr const char* kBlue = "0,0,39321";
constexpr const char* kColourCycle[4] = {"39321,0,0", "0,39321,0", kBlue, kBlack};

// Up to this many stacked bands the 4 % gap and two decimals serve; more
// bands are too narrow for either.
constexpr size_t kMaxCoarseBands = 20;

// The smallest and largest value of a wave; NaN while no value was seen.
struct Range {
  double min = NAN;
  double max = NAN;
};

// The data are only read for their range; each width is read as it is
// stored, with NaN left out.
template <class T>
Range FindRange(const T* data, int64_t points) {
  Range r;
  for (int64_t i = 0; i < points; ++i) {
    const T raw = data[i];
    if (raw != raw) continue;
    const double v = raw;
    if (!(v >= r.min)) r.min = v;
    if (!(v <= r.max)) r.max = v;
  }
  return r;
}

// The minimum and maximum of every wave (NaN skipped) and over all waves.
int32_t CollectRanges(std::span<const WaveHandle> waves, std::vector<Range>* ranges,
                      Range* global) {
  WaveLocks locks;
  std::vector<LockedWave> locked;
  int64_t maxPoints = 0;
  if (int32_t err = locks.Lock(waves, &locked, &maxPoints)) return err;
  // A graph of nothing but empty waves has no range to show; the host's
  // "no memory" is what this command has always answered then.
  if (maxPoints == 0) return kHostErrNoMemory;
  ranges->clear();
  for (const LockedWave& w : locked) {
    const Range r = w.type == kWaveFloat64
                        ? FindRange(static_cast<const double*>(w.data), w.points)
                        : FindRange(static_cast<const float*>(w.data), w.points);
    if (!std::isnan(r.min) && (std::isnan(global->min) || r.min < global->min)) global->min = r.min;
    if (!std::isnan(r.max) && (std::isnan(global->max) || r.max > global->max)) global->max = r.max;
    ranges->push_back(r);
  }
  return 0;
}

// The level of the baseline drawn for one wave, or NaN for none.
double BaselineLevel(const WaveUtilSettings& s, bool overlay, const Range& wave,
                     const Range& global, double lower, double upper) {
  const double level = s.baselineLevel;
  if (!overlay) {
    // Stacked: a level outside the band's range gives way to the wave's
    // own minimum.
    if (std::isnan(level) || level < lower || level > upper) return wave.min;
    return level;
  }
  // Overlaid: one line for the whole graph, within the data shown.
  if (std::isnan(level)) return global.min;
  if (level < lower || level > global.max) return NAN;
  return level > upper ? global.min : level;
}

// What the commands name each wave by, formed before any window is made.
struct Plot {
  std::vector<std::string> fullNames;    // folder path and name, quoted
  std::vector<std::string> quotedNames;  // the name alone, quoted
};

int32_t DrawGraph(const WaveUtilSettings& s, std::span<const WaveHandle> waves, const Plot& p) {
  const size_t n = waves.size();
  const bool overlay = s.overlay;
  const bool independent = s.independentAxes;
  bool baseline = s.baseline;

  // Band layout: frac is the height of one band (1/n); each band leaves a
  // gap below it.
  const double frac = ((100.0 - static_cast<double>(n)) / static_cast<double>(n) + 1.0) * 0.01;
  const bool fine = n > kMaxCoarseBands;
  const double gap = fine ? frac / 2 : 0.04;
  const char* bandFormat =
      fine ? "ModifyGraph axisEnab(%s)={%.4f,%.4f},freePos(%s)=0, lblPos(%s)=60"
           : "ModifyGraph axisEnab(%s)={%.2f,%.2f},freePos(%s)=0, lblPos(%s)=60";
  double top = 1.0, bottom = 0.0;
  if (!overlay) {
    top = static_cast<double>(n) * frac;
    bottom = top - frac + gap;
  } else if (independent) {
    baseline = false;
  }

  std::string vs;
  if (!s.xWavePath.empty()) {
    std::string quoted = s.xWavePath;
    QuotePathComponents(&quoted);
    vs = " vs " + quoted;
  }

  std::vector<Range> ranges;
  Range global;
  if (int32_t err = CollectRanges(waves, &ranges, &global)) return err;
  // Limits not given are the range over all waves, so that every band
  // shows the same scale.
  const double lower = std::isnan(s.lowerLimit) ? global.min : s.lowerLimit;
  const double upper = std::isnan(s.upperLimit) ? global.max : s.upperLimit;

  std::vector<std::string> commands;
  commands.push_back("Display/W=(10,40,436,520)");
  for (size_t i = 0; i < n; ++i) {
    // Overlaid waves share the left axis unless each keeps its own scale;
    // stacked waves each get a free axis l1, l2, ... in their band.
    const std::string axis = overlay && !independent ? "left" : Format("l%zu", i + 1);
    const char* a = axis.c_str();
    const char* name = p.quotedNames[i].c_str();
    commands.push_back(Format("AppendToGraph/L=%s %s%s", a, p.fullNames[i].c_str(), vs.c_str()));
    commands.push_back(Format(bandFormat, a, bottom, top, a, a));
    // Autoscale first; overlaid independent axes scale to the data alone,
    // the others to nice numbers.
    commands.push_back(Format(independent && overlay ? "SetAxis/A/N=0 %s" : "SetAxis/A/N=1 %s", a));
    // A range with no value in it (every wave all NaN) is left to autoscale.
    if (!independent && !std::isnan(lower) && !std::isnan(upper))
      commands.push_back(Format("SetAxis %s %g,%g", a, lower, upper));
    if (baseline) {
      const double level = BaselineLevel(s, overlay, ranges[i], global, lower, upper);
      if (!std::isnan(level)) {
        commands.push_back(Format("SetDrawEnv xcoord=prel,ycoord=%s,linefgc=(%s),dash=3", a,
                                  s.colours ? kBlue : kBlack));
        // "%g" keeps small levels such as -5e-11 A.
        commands.push_back(Format("DrawLine 0,%g,1,%g", level, level));
      }
      // Overlaid, one line at most.
      if (overlay) baseline = false;
    }
    // The first wave and every wave from the 21st on stay black.
    const char* colour = kBlack;
    if (s.colours && i >= 1 && i <= 19) colour = kColourCycle[(i - 1) % 4];
    commands.push_back(Format("ModifyGraph rgb(%s)=(%s)", name, colour));
    // Four waves per line style.
    if (s.colours) commands.push_back(Format("ModifyGraph lstyle(%s)=(%d)", name, static_cast<int>(i / 4)));
    // Overlaid axes with scales of their own would be unreadable: hidden.
    if (overlay && independent) {
      commands.push_back(Format("ModifyGraph noLabel(%s)=2", a));
      commands.push_back(Format("ModifyGraph tick(%s)=3", a));
    }
    if (!overlay) {
      bottom -= frac;
      top -= frac;
    }
  }
  commands.push_back("ModifyGraph margin(left)=72");
  commands.push_back("Legend/N=legend");
  commands.push_back("ModifyGraph gaps=0");

  // Every command is built before the first is sent, so that a command the
  // host could not take leaves no half-made graph.
  for (const std::string& c : commands)
    if (c.size() > static_cast<size_t>(kHostMaxCommandLength)) return kHostErrCommandTooLong;
  for (const std::string& c : commands) SendCommand(c);
  return 0;
}

}  // namespace

int32_t RunPlotWaves(const WaveUtilSettings& s, std::span<const WaveHandle> waves) {
  if (waves.empty()) return kHostErrExpectedWave;
  if (int32_t err = CheckRealFloatWaves(waves)) return err;

  // Names first: a folder service that fails ends the command before any
  // window exists.
  Plot p;
  for (WaveHandle w : waves) {
    std::string full;
    if (int32_t err = WaveCommandPath(w, &full)) return err;
    p.fullNames.push_back(std::move(full));
    p.quotedNames.push_back(HostQuoteName(HostWaveName(w)));
  }

  PausedUpdates paused;
  if (s.graph) {
    if (int32_t err = DrawGraph(s, waves, p)) return err;
  }
  // The table lists the waves by their full paths, after the graph.
  if (s.table) {
    std::vector<std::string> commands{"Edit"};
    for (const std::string& full : p.fullNames) commands.push_back("AppendToTable " + full);
    for (const std::string& c : commands)
      if (c.size() > static_cast<size_t>(kHostMaxCommandLength)) return kHostErrCommandTooLong;
    for (const std::string& c : commands) SendCommand(c);
  }
  return 0;
}

}  // namespace kwt
