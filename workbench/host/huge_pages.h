// Memory mapped on huge-page boundaries, shared by the wave blocks and the
// per-load block.
#pragma once

#include <cstddef>

namespace kwt {

inline constexpr size_t kPageBytes = 4096;
inline constexpr size_t kHugePageBytes = size_t{2} << 20;

// True in a build that checks memory (AddressSanitizer): there every wave
// keeps its own heap block, so that writing past the end of one is caught.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kBuildChecksMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kBuildChecksMemory = true;
#else
inline constexpr bool kBuildChecksMemory = false;
#endif
#else
inline constexpr bool kBuildChecksMemory = false;
#endif

// `length` zero-filled bytes (a whole number of pages) mapped to start on a
// huge-page boundary and advised for huge pages, so that every whole huge
// page of them can be one; null when the mapping fails.  Given back with
// munmap.
std::byte* MapOnHugePage(size_t length);

}  // namespace kwt
