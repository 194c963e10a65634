// Counts every heap allocation of a benchmark program: the global operator new and delete pair is
// replaced. Include it in one source file of the program, first.
#pragma once
// GCC cannot see that the replaced operators pair up.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <atomic>
#include <cstdlib>
#include <new>

namespace bench {
inline std::atomic<long> allocations{0};
}  // namespace bench

void* operator new(std::size_t size)
{
    ++bench::allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
