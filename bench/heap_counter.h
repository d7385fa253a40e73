#pragma once

// Heap figures of a benchmark: every allocation through operator new is
// counted (live bytes and their peak). Include in one file of a benchmark
// program only: it replaces the program's operator new and delete.
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> heap_live{0};
std::atomic<std::size_t> heap_peak{0};

void note_allocation(void* p)
{
    const std::size_t now = heap_live += malloc_usable_size(p);
    std::size_t peak = heap_peak.load();
    while (now > peak && !heap_peak.compare_exchange_weak(peak, now)) {
    }
}

void* counted_allocation(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    note_allocation(p);
    return p;
}

void counted_release(void* p)
{
    if (!p)
        return;
    heap_live -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size)
{
    return counted_allocation(size);
}

void* operator new[](std::size_t size)
{
    return counted_allocation(size);
}

void operator delete(void* p) noexcept
{
    counted_release(p);
}

void operator delete[](void* p) noexcept
{
    counted_release(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    counted_release(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    counted_release(p);
}

namespace {

// Heap in use at its highest while run() ran, above what was in use before.
template <typename F>
std::size_t heap_peak_of(F run)
{
    const std::size_t before = heap_live.load();
    heap_peak = before;
    run();
    return heap_peak.load() - before;
}

}  // namespace
