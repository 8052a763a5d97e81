// Sample storage: heap blocks for small waves, mapped ones for large.
#include "workbench/host/sample_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

#include "workbench/host/huge_pages.h"

namespace kwt {

namespace {

// Blocks from this size on are mapped rather than taken from the heap
// (never in a build that checks memory).
constexpr size_t kMapBytes = kBuildChecksMemory ? SIZE_MAX : size_t{1} << 20;

}  // namespace

void SampleBuffer::Free::operator()(std::byte* p) const {
  if (arena != nullptr)
    arena->Give(p, mapped);
  else if (mapped != 0)
    munmap(p, mapped);
  else
    std::free(p);
}

SampleBuffer::SampleBuffer(size_t bytes) {
  if (bytes == 0) return;
  if (bytes >= kMapBytes) {
    const size_t length = (bytes + kPageBytes - 1) / kPageBytes * kPageBytes;
    std::byte* base = MapOnHugePage(length);
    if (base == nullptr) throw std::bad_alloc();
    data_ = std::shared_ptr<std::byte>(base, Free(length));
  } else {
    void* p = std::calloc(bytes, 1);
    if (p == nullptr) throw std::bad_alloc();
    data_ = std::shared_ptr<std::byte>(static_cast<std::byte*>(p), Free());
  }
  size_ = bytes;
}

SampleBuffer SampleBuffer::From(const std::shared_ptr<SampleArena>& arena, size_t bytes) {
  std::byte* slice = arena != nullptr ? arena->Take(bytes) : nullptr;
  if (slice == nullptr) return SampleBuffer(bytes);
  SampleBuffer b;
  b.data_ = std::shared_ptr<std::byte>(slice, Free(arena, bytes));
  b.size_ = bytes;
  return b;
}

void SampleBuffer::Clear() {
  if (size_ != 0) std::memset(data(), 0, size_);
}

void SampleBuffer::Resize(size_t bytes) {
  if (bytes == size_) return;
  // A new block, zero-filled, with the leading bytes copied over; the old
  // one stays untouched until the new one is there.
  SampleBuffer bigger(bytes);
  if (bytes != 0 && size_ != 0) std::memcpy(bigger.data(), data(), std::min(bytes, size_));
  *this = std::move(bigger);
}

}  // namespace kwt
