#include "player/engine/audio/tests/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> g_count{0};
std::atomic<std::size_t> g_frees{0};
thread_local int t_depth = 0;

void release(void* p)
{
    if (p != nullptr && t_depth > 0)
        g_frees.fetch_add(1, std::memory_order_relaxed);
    std::free(p);
}

void* allocate(std::size_t size, std::size_t alignment = 0)
{
    if (t_depth > 0)
        g_count.fetch_add(1, std::memory_order_relaxed);
    if (size == 0)
        size = 1;
    void* p = nullptr;
    if (alignment > alignof(std::max_align_t)) {
        if (posix_memalign(&p, alignment, (size + alignment - 1) / alignment * alignment) != 0)
            p = nullptr;
    } else {
        p = std::malloc(size);
    }
    return p;
}

} // namespace

namespace AllocationCounter {

std::size_t count()
{
    return g_count.load();
}

std::size_t frees()
{
    return g_frees.load();
}

void reset()
{
    g_count.store(0);
    g_frees.store(0);
}

Scope::Scope()
{
    ++t_depth;
}

Scope::~Scope()
{
    --t_depth;
}

} // namespace AllocationCounter

void* operator new(std::size_t size)
{
    if (void* p = allocate(size))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    if (void* p = allocate(size))
        return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}

void* operator new(std::size_t size, std::align_val_t alignment)
{
    if (void* p = allocate(size, std::size_t(alignment)))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size, std::align_val_t alignment)
{
    if (void* p = allocate(size, std::size_t(alignment)))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    release(p);
}

void operator delete[](void* p) noexcept
{
    release(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    release(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    release(p);
}

void operator delete(void* p, std::align_val_t) noexcept
{
    release(p);
}

void operator delete[](void* p, std::align_val_t) noexcept
{
    release(p);
}

void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    release(p);
}

void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    release(p);
}
