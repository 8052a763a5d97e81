// kwt --plot DIR [--plot-size WxH].
#include "plot_option.h"

#include <cstdio>
#include <cstdlib>

#include "workbench/export/plot_export.h"
#include "workbench/workbench.h"

namespace kwt {

bool ParsePlotSize(const std::string& text, int* width, int* height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
  auto number = [](const std::string& s, int* out) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos)
      return false;
    *out = std::atoi(s.c_str());
    return *out >= 16 && *out <= 16384;
  };
  return number(text.substr(0, x), width) && number(text.substr(x + 1), height);
}

int WriteSessionPlots(Workbench& wb, const std::string& dir, int width, int height) {
  RenderOptions options;
  options.width = width;
  options.height = height;
  std::string error;
  if (!WritePlots(wb, dir, options, &error)) {
    std::fprintf(stderr, "kwt: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace kwt
