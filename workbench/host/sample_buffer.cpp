// Sample storage: heap blocks for small waves, mapped ones for large.
#include "workbench/host/sample_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace kwt {

namespace {

// Blocks from this size on are mapped rather than taken from the heap.
// Under AddressSanitizer every block comes from the heap, so that a write
// past the end of a wave is caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kMapBytes = SIZE_MAX;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kMapBytes = SIZE_MAX;
#else
constexpr size_t kMapBytes = size_t{1} << 20;
#endif
#else
constexpr size_t kMapBytes = size_t{1} << 20;
#endif
constexpr size_t kPageBytes = 4096;
constexpr size_t kHugePageBytes = size_t{2} << 20;

}  // namespace

void SampleBuffer::Free::operator()(std::byte* p) const {
  if (mapped != 0)
    munmap(p, mapped);
  else
    std::free(p);
}

SampleBuffer::SampleBuffer(size_t bytes) {
  if (bytes == 0) return;
  if (bytes >= kMapBytes) {
    // Mapped with room to spare and trimmed to start on a huge-page
    // boundary, so that every whole huge page of the block can be one.
    const size_t length = (bytes + kPageBytes - 1) / kPageBytes * kPageBytes;
    void* p = mmap(nullptr, length + kHugePageBytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<std::byte*>(p);
    const auto address = reinterpret_cast<uintptr_t>(base);
    const size_t head = (kHugePageBytes - address % kHugePageBytes) % kHugePageBytes;
    if (head != 0) munmap(base, head);
    munmap(base + head + length, kHugePageBytes - head);
#ifdef MADV_HUGEPAGE
    // A hint only: without huge pages the block works all the same.
    madvise(base + head, length, MADV_HUGEPAGE);
#endif
    data_ = std::shared_ptr<std::byte>(base + head, Free(length));
  } else {
    void* p = std::calloc(bytes, 1);
    if (p == nullptr) throw std::bad_alloc();
    data_ = std::shared_ptr<std::byte>(static_cast<std::byte*>(p), Free());
  }
  size_ = bytes;
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
