#pragma once
// Replaces the global operator new of the executable that includes this (in
// one file only) to count heap allocations, so code that must not allocate
// can be shown not to.
#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<long> AllocationCount{0};

// Kept out of line, with the deletes: inlined, GCC pairs malloc and free
// across them and warns of a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size)
{
    ++AllocationCount;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept
{
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
