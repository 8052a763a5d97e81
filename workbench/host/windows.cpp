// Graph and table windows.
#include "workbench/host/windows.h"

namespace kwt {

bool Window::Shows(const HostWave* wave) const {
  for (const GraphTrace& t : traces)
    if (t.wave == wave || t.xWave == wave) return true;
  for (const HostWave* c : columns)
    if (c == wave) return true;
  return false;
}

}  // namespace kwt
