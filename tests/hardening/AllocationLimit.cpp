#include "AllocationLimit.h"

#include <cstdlib>
#include <new>

namespace {

std::size_t g_nLimit = 0;         // 0: no limit
std::size_t g_nLargestRefused = 0;

void* Allocate(std::size_t size)
{
    if (g_nLimit != 0 && size > g_nLimit) {
        if (size > g_nLargestRefused)
            g_nLargestRefused = size;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

}  // namespace

// The replaceable allocation functions of the whole test program go through the limit.
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
// The nothrow forms too: the library takes them for temporary buffers (std::stable_sort), and
// what they return is freed by the delete below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace hardening {

CAllocationLimit::CAllocationLimit(std::size_t bytes)
{
    g_nLimit = bytes;
    g_nLargestRefused = 0;
}

CAllocationLimit::~CAllocationLimit()
{
    g_nLimit = 0;
}

std::size_t CAllocationLimit::LargestRefused() const
{
    return g_nLargestRefused;
}

}  // namespace hardening
