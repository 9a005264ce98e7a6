#include "heapcount.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>

// The C library's allocator under its own names, which replacing malloc leaves reachable.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *block, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void *block);
}

namespace {

std::atomic<std::size_t> heldBytes { 0 };
std::atomic<std::size_t> peakBytes { 0 };

} // namespace

namespace heapcount {

bool counts()
{
#ifdef __SANITIZE_ADDRESS__
    return false;
#else
    return true;
#endif
}

std::size_t held()
{
    return heldBytes.load(std::memory_order_relaxed);
}

std::size_t peak()
{
    return peakBytes.load(std::memory_order_relaxed);
}

void restartPeak()
{
    peakBytes.store(held(), std::memory_order_relaxed);
}

} // namespace heapcount

#ifndef __SANITIZE_ADDRESS__

namespace {

void notePeak(std::size_t bytes)
{
    std::size_t seen = peakBytes.load(std::memory_order_relaxed);
    while (bytes > seen && !peakBytes.compare_exchange_weak(seen, bytes, std::memory_order_relaxed)) { }
}

void *counted(void *block)
{
    if (block) {
        const std::size_t bytes = malloc_usable_size(block);
        notePeak(heldBytes.fetch_add(bytes, std::memory_order_relaxed) + bytes);
    }
    return block;
}

void uncount(void *block)
{
    if (block)
        heldBytes.fetch_sub(malloc_usable_size(block), std::memory_order_relaxed);
}

// A block the C library mapped on its own moves by remapping its pages, never by copying them;
// the flag is bit 1 of the size word in front of the block, as the library lays out its chunks.
bool isMapped(void *block)
{
    return (static_cast<const std::size_t *>(block)[-1] & 2) != 0;
}

} // namespace

extern "C" {

void *malloc(std::size_t size) noexcept
{
    return counted(__libc_malloc(size));
}

void *calloc(std::size_t count, std::size_t size) noexcept
{
    return counted(__libc_calloc(count, size));
}

void *memalign(std::size_t alignment, std::size_t size) noexcept
{
    return counted(__libc_memalign(alignment, size));
}

void *aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    return memalign(alignment, size);
}

int posix_memalign(void **result, std::size_t alignment, std::size_t size) noexcept
{
    if (alignment < sizeof(void *) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void *block = memalign(alignment, size);
    if (!block)
        return ENOMEM;
    *result = block;
    return 0;
}

void free(void *block) noexcept
{
    uncount(block);
    __libc_free(block);
}

void *realloc(void *block, std::size_t size) noexcept
{
    if (!block)
        return malloc(size);
    const std::size_t before = malloc_usable_size(block);
    const bool mapped = isMapped(block);
    void *moved = __libc_realloc(block, size);
    if (!moved) {
        // A zero size frees the block; any other failure keeps it.
        if (size == 0)
            heldBytes.fetch_sub(before, std::memory_order_relaxed);
        return moved;
    }
    const std::size_t after = malloc_usable_size(moved);
    // A move out of the heap copies: for a moment both blocks were held.
    if (moved != block && !mapped)
        notePeak(heapcount::held() + after);
    heldBytes.fetch_sub(before, std::memory_order_relaxed);
    notePeak(heldBytes.fetch_add(after, std::memory_order_relaxed) + after);
    return moved;
}

void *reallocarray(void *block, std::size_t count, std::size_t size) noexcept
{
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(block, bytes);
}

} // extern "C"
#endif
