// The global allocation functions of a program whose tests make chosen
// allocations fail (alloc_failure.h).  Memory comes from malloc and goes
// back with free, so that new and delete stay paired.
#include <cstdlib>
#include <new>

#include "tests/testkit/alloc_failure.h"

namespace {

void* Allocate(std::size_t size) {
  std::atomic<long>& left = kwt::test::AllocationsBeforeFailure();
  if (left.load(std::memory_order_relaxed) > 0 &&
      left.fetch_sub(1, std::memory_order_relaxed) == 1)
    throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
