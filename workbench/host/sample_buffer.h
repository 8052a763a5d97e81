// The storage of a wave's samples.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>

#include "workbench/host/sample_arena.h"

namespace kwt {

// Zero-filled bytes.  Large blocks are mapped from the system, so
// that their pages are zeroed lazily as they are first written instead of
// by a second pass, and in huge pages where the system offers them (a sweep
// of millions of points then costs a few hundred page faults, not hundreds
// of thousands).
class SampleBuffer {
 public:
  SampleBuffer() = default;
  explicit SampleBuffer(size_t bytes);
  // A slice of a load's block when it has room, else a block of its own.
  static SampleBuffer From(const std::shared_ptr<SampleArena>& arena, size_t bytes);
  SampleBuffer(SampleBuffer&&) noexcept = default;
  SampleBuffer& operator=(SampleBuffer&&) noexcept = default;

  std::byte* data() { return data_.get(); }
  const std::byte* data() const { return data_.get(); }
  size_t size() const { return size_; }
  // Changes the size, keeping the leading bytes and zeroing new ones.  The
  // samples move to a new block (a slice of a load's block, too).
  void Resize(size_t bytes);
  // Zeroes every byte in place.
  void Clear();
  bool InArena() const {
    const Free* free = std::get_deleter<Free>(data_);
    return free != nullptr && free->arena != nullptr;
  }
  // A share in the current block: the block stays valid while a share
  // lives, even after the buffer has let go of it (the wave was killed or
  // redimensioned), so that a view of the samples held outside the session
  // (a NumPy array) never points into freed memory.  Null when empty.
  std::shared_ptr<const std::byte> Share() const { return data_; }
  // True while a share taken by Share() lives.
  bool Shared() const { return data_.use_count() > 1; }

 private:
  struct Free {
    Free() : mapped(0) {}
    explicit Free(size_t bytes) : mapped(bytes) {}
    Free(std::shared_ptr<SampleArena> a, size_t bytes) : mapped(bytes), arena(std::move(a)) {}
    size_t mapped;  // bytes of a mapped block or slice; 0 for the heap
    std::shared_ptr<SampleArena> arena;  // the block a slice belongs to
    void operator()(std::byte* p) const;
  };
  std::shared_ptr<std::byte> data_;
  size_t size_ = 0;
};

}  // namespace kwt
