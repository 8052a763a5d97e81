// The storage of a wave's samples.
#pragma once

#include <cstddef>
#include <memory>

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
  SampleBuffer(SampleBuffer&&) noexcept = default;
  SampleBuffer& operator=(SampleBuffer&&) noexcept = default;

  std::byte* data() { return data_.get(); }
  const std::byte* data() const { return data_.get(); }
  size_t size() const { return size_; }
  // Changes the size, keeping the leading bytes and zeroing new ones.  The
  // samples move to a new block.
  void Resize(size_t bytes);
  // A share in the current block: the block stays valid while a share
  // lives, even after the buffer has let go of it (the wave was killed or
  // redimensioned), so that a view of the samples held outside the session
  // (a NumPy array) never points into freed memory.  Null when empty.
  std::shared_ptr<const std::byte> Share() const { return data_; }

 private:
  struct Free {
    Free() : mapped(0) {}
    explicit Free(size_t bytes) : mapped(bytes) {}
    size_t mapped;  // bytes of a mapped block; 0 for the heap
    void operator()(std::byte* p) const;
  };
  std::shared_ptr<std::byte> data_;
  size_t size_ = 0;
};

}  // namespace kwt
