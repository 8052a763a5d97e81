// The load's block: one mapping on a huge-page boundary, cut into slices.
#include "workbench/host/sample_arena.h"

#include <cstdint>

#include <sys/mman.h>

#include "workbench/host/huge_pages.h"

namespace kwt {
namespace {

// Slices start on cache lines, so that no two waves share one.
constexpr size_t kSliceAlign = 64;

size_t RoundUp(size_t v, size_t to) { return (v + to - 1) / to * to; }

}  // namespace

std::byte* MapOnHugePage(size_t length) {
  // Mapped with a huge page to spare and trimmed to start on a boundary.
  void* p = mmap(nullptr, length + kHugePageBytes, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  auto* raw = static_cast<std::byte*>(p);
  const auto address = reinterpret_cast<uintptr_t>(raw);
  const size_t head = (kHugePageBytes - address % kHugePageBytes) % kHugePageBytes;
  if (head != 0) munmap(raw, head);
  munmap(raw + head + length, kHugePageBytes - head);
#ifdef MADV_HUGEPAGE
  // A hint only: without huge pages the block works all the same.
  madvise(raw + head, length, MADV_HUGEPAGE);
#endif
  return raw + head;
}

bool SampleArena::Enabled() { return !kBuildChecksMemory; }

std::shared_ptr<SampleArena> SampleArena::Make(size_t bytes) {
  if (kBuildChecksMemory || bytes == 0 || bytes > SIZE_MAX / 2) return nullptr;
  const size_t length = RoundUp(bytes, kHugePageBytes);
  std::byte* base = MapOnHugePage(length);
  if (base == nullptr) return nullptr;
  return std::shared_ptr<SampleArena>(new SampleArena(base, length));
}

SampleArena::~SampleArena() { munmap(base_, length_); }

std::byte* SampleArena::Take(size_t bytes) {
  const size_t start = RoundUp(used_, kSliceAlign);
  if (bytes == 0 || start > length_ || bytes > length_ - start) return nullptr;
  used_ = start + bytes;
  return base_ + start;
}

void SampleArena::Give(std::byte* slice, size_t bytes) {
  const auto begin = RoundUp(reinterpret_cast<uintptr_t>(slice), kPageBytes);
  const auto end = (reinterpret_cast<uintptr_t>(slice) + bytes) / kPageBytes * kPageBytes;
  // The address range stays reserved until the block goes; only the
  // memory behind it is returned.  A slice is never handed out again, so
  // its pages are not read after this.
  if (end > begin)
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

}  // namespace kwt
