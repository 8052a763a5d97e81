// The file browser's answer to choosing a sweep: from the event to the
// finished drawing commands, that is the popups refilled, the information
// texts formatted and the preview drawn (the trace loaded into its scratch
// wave, reduced to the pixels and deleted again), with the recording's
// trees already in memory and its samples in the page cache.
//
// The recording is the bundle named by KWT_BENCH_BROWSER_PM (bench/
// browser_preview.sh writes a 1 GB one); without it the program writes a
// bundle of one sweep with a trace of ten million samples and uses that.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "browser/browser_file.h"
#include "browser/browser_info.h"
#include "browser/browser_preview.h"
#include "browser/browser_tree.h"
#include "patchmaster/pm_tree.h"
#include "patchmaster/recording_trees.h"
#include "tests/testkit/pm_writer.h"
#include "workbench/workbench.h"

namespace {

// The preview area of the dialog in pixels (330 x 215 dialog units).
constexpr int32_t kWidth = 578, kHeight = 376;

std::string Recording() {
  if (const char* path = std::getenv("KWT_BENCH_BROWSER_PM")) return path;
  static const std::string made = [] {
    const auto dir = std::filesystem::temp_directory_path() / "kwt-browser-bench";
    std::filesystem::create_directories(dir);
    kwt::test::PmRecording rec;
    rec.AddStimulation("long").AddChannel(1).AddSegment(kwt::kPmSegmentConstant, -0.07, 200.0);
    std::vector<double> samples(10'000'000);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<double>(i % 60000) - 30000;
    rec.AddGroup("long").AddSeries().AddSweep(1).AddTrace("Imon", std::move(samples));
    return kwt::test::WritePmBundle(rec, dir / "long.dat").data.string();
  }();
  return made;
}

void BM_ChooseSweep(benchmark::State& state) {
  kwt::Workbench wb;
  kwt::BrowserFormat format = kwt::BrowserFormat::kNone;
  if (kwt::ReadBrowserTrees(Recording(), &format) != 0) {
    state.SkipWithError("the recording cannot be read");
    return;
  }
  const kwt::PmTraceEntry* trace = kwt::LookUpPmTrace(1, 1, 1, 1);
  kwt::PreviewSource src{format, Recording()};
  const kwt::BrowserSelection sel{1, 1, 1, 0};
  const std::vector<kwt::PreviewEntry> list{{1, 1, 1, 1}};
  size_t points = 0;
  for (auto _ : state) {
    for (int32_t level = kwt::kLevelGroup; level <= kwt::kLevelTrace; ++level)
      benchmark::DoNotOptimize(kwt::BrowserPopupItems(format, static_cast<kwt::BrowserLevel>(level), sel, false));
    benchmark::DoNotOptimize(kwt::BrowserInformation(format, sel));
    const std::vector<kwt::DrawStep> picture = kwt::BuildPreviewPicture(src, list, {}, kWidth, kHeight);
    points = 0;
    for (const kwt::DrawStep& s : picture) points += s.values.size() / 2;
  }
  state.counters["samples"] = trace != nullptr ? trace->trDataPoints : 0;
  state.counters["points_drawn"] = static_cast<double>(points);
  state.SetBytesProcessed(state.iterations() * (trace != nullptr ? trace->trDataPoints * 2LL : 0));
  kwt::ReleaseRecordingTrees();
}
BENCHMARK(BM_ChooseSweep)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
