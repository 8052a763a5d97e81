// Graph settings as any text: each input line goes to a graph of two waves
// on stacked free axes, and the graph is read into its model and drawn on
// a small picture.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/render_graph.h"
#include "workbench/workbench.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  for (char& c : text)
    if (c == '\0') c = ' ';
  // Only the graph commands: the rest of the language has its own target.
  static const std::string prefs = "/tmp/kwt-fuzz-prefs.bin";
  kwt::Workbench wb(kwt::Workbench::Options{prefs, false, 1 << 24});
  wb.Run("Make/O/N=64 w0, w1; w0 = sin(p / 5); w1 = p; w0[3] = NaN; SetScale d 0, 0, \"V\", w0");
  wb.Run("Display/L=l1 w0; AppendToGraph/L=l2 w1 vs w0; ModifyGraph axisEnab(l1)={0,0.48}");
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string line = text.substr(start, end - start);
    const std::string lower = [&] {
      std::string l = line.substr(0, 16);
      for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return l;
    }();
    for (const char* word : {"modifygraph", "setaxis", "label", "errorbars", "legend", "textbox",
                             "appendtext", "setdrawenv", "drawline", "appendtograph"}) {
      if (lower.rfind(word, 0) == 0) {
        wb.Run(line);
        break;
      }
    }
    start = end + 1;
  }
  const kwt::GraphModel model = kwt::BuildGraphModel(wb.windows().front(), wb);
  kwt::GraphImage image;
  std::string error;
  kwt::RenderGraphImage(model, {64, 48}, &image, &error);
  return 0;
}
