// Counts heap allocations for a benchmark's "allocations per frame" figure: the global operators
// new and delete (plain, nothrow and aligned) are replaced by ones that count and then use malloc
// and free. Include it in one file of a benchmark executable only (each bench/Bench*.cpp is an
// executable of its own). The count is atomic: the mixer allocates on the audio thread.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

// The replacements pair malloc with free; GCC's check cannot see through the replaced operators
// once they are inlined into static initialisers.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<long long> gAllocations{0};
}

void* operator new(std::size_t Size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(Size == 0 ? 1 : Size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t Size) { return ::operator new(Size); }
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(Size == 0 ? 1 : Size);
}
void* operator new[](std::size_t Size, const std::nothrow_t& Tag) noexcept { return ::operator new(Size, Tag); }
void* operator new(std::size_t Size, std::align_val_t Align) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  const std::size_t a = static_cast<std::size_t>(Align);
  if (void* p = std::aligned_alloc(a, (Size + a - 1) / a * a)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t Size, std::align_val_t Align) { return ::operator new(Size, Align); }
void operator delete(void* P) noexcept { std::free(P); }
void operator delete[](void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
void operator delete[](void* P, std::size_t) noexcept { std::free(P); }
void operator delete(void* P, const std::nothrow_t&) noexcept { std::free(P); }
void operator delete[](void* P, const std::nothrow_t&) noexcept { std::free(P); }
void operator delete(void* P, std::align_val_t) noexcept { std::free(P); }
void operator delete[](void* P, std::align_val_t) noexcept { std::free(P); }
void operator delete(void* P, std::size_t, std::align_val_t) noexcept { std::free(P); }
void operator delete[](void* P, std::size_t, std::align_val_t) noexcept { std::free(P); }
