// One block of memory for the waves of one load.
#pragma once

#include <cstddef>
#include <memory>

namespace kwt {

// A load knows the size of all of its waves before it reads a sample.
// Mapping them one by one costs every wave a partial huge page at its end,
// hundreds of small page faults each; one block, aligned to and rounded up
// to whole huge pages once, costs only whole huge pages.  The waves take
// consecutive slices of it; the block is unmapped when the last slice is
// given back.
class SampleArena {
 public:
  // A block of at least `bytes`, or null when mapping fails or the build
  // checks memory (AddressSanitizer: every wave keeps its own heap block,
  // so that writing past the end of one is caught).
  static std::shared_ptr<SampleArena> Make(size_t bytes);
  // False in a build that checks memory, where Make never makes a block.
  static bool Enabled();
  ~SampleArena();
  SampleArena(const SampleArena&) = delete;
  SampleArena& operator=(const SampleArena&) = delete;

  // A zero-filled slice of `bytes`, aligned for every number type; null
  // when the block has no room left.  Slices are never taken twice.
  std::byte* Take(size_t bytes);
  // Gives the whole pages of a slice back to the system; the pages it
  // shares with its neighbours stay with them.
  void Give(std::byte* slice, size_t bytes);

  size_t capacity() const { return length_; }
  size_t used() const { return used_; }

 private:
  SampleArena(std::byte* base, size_t length) : base_(base), length_(length) {}
  std::byte* base_;
  size_t length_;
  size_t used_ = 0;
};

}  // namespace kwt
