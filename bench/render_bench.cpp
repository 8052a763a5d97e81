// Drawing large graphs: 8 traces of a million points each as PNG (and as
// SVG), and one sweep of ten million points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "support/format.h"
#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/render_graph.h"
#include "workbench/workbench.h"

namespace {

// A workbench whose front graph shows `traces` stacked sweeps of `points`
// noisy samples each.
kwt::Workbench& Graph(int traces, int64_t points) {
  static kwt::Workbench* wb = nullptr;
  delete wb;
  wb = new kwt::Workbench();
  wb->Run("Display;ModifyGraph margin(left)=60");
  const float h = (1.0f - (traces - 1) * 0.02f) / traces;
  uint32_t seed = 12345;
  for (int t = 0; t < traces; ++t) {
    const std::string name = kwt::Format("sweep%d", t);
    wb->Run(kwt::Format("Make/O/N=%lld %s", static_cast<long long>(points), name.c_str()));
    wb->Run(kwt::Format("SetScale/P x 0, 2e-5, \"s\", %s; SetScale d 0, 0, \"A\", %s", name.c_str(),
                        name.c_str()));
    kwt::HostWave* w = wb->ResolveWave(name);
    float* v = reinterpret_cast<float*>(w->samples.data());
    for (int64_t i = 0; i < points; ++i) {
      seed = seed * 1664525u + 1013904223u;
      v[i] = static_cast<float>(1e-10 * std::sin(i * 1e-5 * (t + 1)) + 2e-11 * ((seed >> 8) / 16777216.0 - 0.5));
    }
    const float y0 = (h + 0.02f) * t;
    wb->Run(kwt::Format("AppendToGraph/L=l%d %s", t + 1, name.c_str()));
    wb->Run(kwt::Format("ModifyGraph axisEnab(l%d)={%.4f,%.4f},freePos(l%d)=0,lblPos(l%d)=60", t + 1,
                        y0, y0 + h, t + 1, t + 1));
  }
  return *wb;
}

void BM_Png8x1M(benchmark::State& state) {
  kwt::Workbench& wb = Graph(8, 1000000);
  const kwt::GraphModel model = kwt::BuildGraphModel(wb.windows().front(), wb);
  kwt::RenderOptions o;
  o.width = 1200;
  o.height = 900;
  std::string png, error;
  for (auto _ : state) {
    if (!kwt::RenderGraphPng(model, o, &png, &error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["points"] = 8e6;
  state.counters["png_bytes"] = static_cast<double>(png.size());
}
BENCHMARK(BM_Png8x1M)->Unit(benchmark::kMillisecond);

void BM_Svg8x1M(benchmark::State& state) {
  kwt::Workbench& wb = Graph(8, 1000000);
  const kwt::GraphModel model = kwt::BuildGraphModel(wb.windows().front(), wb);
  kwt::RenderOptions o;
  o.width = 1200;
  o.height = 900;
  std::string svg, error;
  for (auto _ : state) {
    if (!kwt::RenderGraphSvg(model, o, &svg, &error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(svg.data());
  }
  state.counters["svg_bytes"] = static_cast<double>(svg.size());
}
BENCHMARK(BM_Svg8x1M)->Unit(benchmark::kMillisecond);

void BM_Png1x10M(benchmark::State& state) {
  kwt::Workbench& wb = Graph(1, 10000000);
  const kwt::GraphModel model = kwt::BuildGraphModel(wb.windows().front(), wb);
  std::string png, error;
  for (auto _ : state) {
    if (!kwt::RenderGraphPng(model, {}, &png, &error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(png.data());
  }
}
BENCHMARK(BM_Png1x10M)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
