// Counts heap allocations for a benchmark's "allocations per frame" figure: the global operators
// new and delete (plain, nothrow and aligned) are replaced by ones that count and then use malloc
// and free. Include it in one file of a benchmark executable only (each bench/Bench*.cpp is an
// executable of its own).
#pragma once

#include <cstdlib>
#include <new>

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
long long gAllocations = 0;
}

void* operator new(std::size_t Size) {
  ++gAllocations;
  if (void* p = std::malloc(Size == 0 ? 1 : Size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t Size) { return ::operator new(Size); }
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept {
  ++gAllocations;
  return std::malloc(Size == 0 ? 1 : Size);
}
void* operator new[](std::size_t Size, const std::nothrow_t& Tag) noexcept { return ::operator new(Size, Tag); }
void* operator new(std::size_t Size, std::align_val_t Align) {
  ++gAllocations;
  const std::size_t a = static_cast<std::size_t>(Align);
  if (void* p = std::aligned_alloc(a, (Size + a - 1) / a * a)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t Size, std::align_val_t Align) { return ::operator new(Size, Align); }
void operator delete(void* P) noexcept { std::free(P); }
void operator delete[](void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
void operator delete[](void* P, std::size_t) noexcept { std::free(P); }
