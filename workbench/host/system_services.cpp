// The host services that stand in for the system: the host's version,
// file paths, ticks and menu numbers.
#include "workbench/host/services.h"

#include <algorithm>
#include <chrono>

#include "resources/resources.h"
#include "workbench/host/encoding.h"
#include "workbench/host/module_link.h"

namespace kwt {

int32_t Services::Version() { return 800; }

int32_t Services::ToNativePath(std::string* path) {
  // The limit is the host's: it counts the bytes the module holds.
  if (path->size() > static_cast<size_t>(kHostMaxPathLength)) return kHostErrPathTooLong;
  // Paths may be written with "\" separators; this platform uses "/".
  std::replace(path->begin(), path->end(), '\\', '/');
  // File names are UTF-8 here; host text is Windows-1252 or, for a line
  // typed with characters beyond it, UTF-8 (encoding.h).  A path the module
  // derives (a sibling file's extension) keeps the bytes of the path it
  // came from and so converts the same way.
  *path = HostToUtf8(*path);
  return 0;
}

int32_t Services::FromNativePath(std::string* path) {
  *path = Utf8ToHost(*path);
  if (path->size() > static_cast<size_t>(kHostMaxPathLength)) return kHostErrPathTooLong;
  return 0;
}

uint32_t Services::TickCount() {
  using namespace std::chrono;
  static const auto start = steady_clock::now();
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - start).count() *
                               60 / 1000);
}

int32_t Services::ActualToResourceMenu(int32_t menuId) {
  return menuId == ModuleLink::kHostMenuId ? resources::kMenuId : 0;
}

int32_t Services::ActualToResourceItem(int32_t resourceMenu, int32_t item) {
  // The workbench numbers the items as the resource does.
  return resourceMenu == resources::kMenuId ? item : 0;
}

}  // namespace kwt
