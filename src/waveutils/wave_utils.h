// The wave utilities as operations of the command language: each parses
// the command line being run (flags and wave list) and then works on the
// list.  These are what the operation dispatch calls for indexes 0, 1, 2.
#pragma once

#include <cstdint>

namespace kwt {

// AutoStats (index 0): 0 or the code of the parser or of AutoStats.
int32_t AutoStats();
// PlotWaves (index 1): 0 or the code of the parser or of PlotWaves.
int32_t PlotWaves();
// SlimWaves (index 2): 0 or the code of the parser or of SlimWaves.
int32_t SlimWaves();

}  // namespace kwt
