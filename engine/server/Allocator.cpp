// Quillon engine: the program's allocator, the C library's own, with failures noted.
//
// Every allocation of the engine and its libraries (libwpd, Qt, the picture module) comes here
// and goes on to the C library's allocator unchanged. An allocation that fails is told to
// engine::memory, so that a document whose reading ran out of memory (which libwpd reports as a
// parse error) is reported as such, not as damaged.
//
// Nearly all of them (libwpd, librevenge and libwpg are C++) come through operator new, which is
// replaced here too: it goes to the C library's allocator directly, as the standard library's
// own does through malloc, so the check costs those allocations nothing.
#include "Memory.h"

#include <cstddef>
#include <new>

extern "C" {

void* __libc_malloc(std::size_t bytes);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* old, std::size_t bytes);

void* malloc(std::size_t bytes) noexcept
{
    void* p = __libc_malloc(bytes);
    if (!p && bytes != 0)
        engine::memory::allocationFailed(bytes);
    return p;
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    void* p = __libc_calloc(count, size);
    if (!p && count != 0 && size != 0)
        engine::memory::allocationFailed(size > static_cast<std::size_t>(-1) / count
                                             ? static_cast<std::size_t>(-1)
                                             : count * size);
    return p;
}

void* realloc(void* old, std::size_t bytes) noexcept
{
    void* p = __libc_realloc(old, bytes);
    if (!p && bytes != 0)
        engine::memory::allocationFailed(bytes);
    return p;
}

} // extern "C"

void* operator new(std::size_t bytes)
{
    if (bytes == 0)
        bytes = 1;
    for (;;) {
        if (void* p = __libc_malloc(bytes))
            return p;
        engine::memory::allocationFailed(bytes);
        const std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void* operator new[](std::size_t bytes)
{
    return ::operator new(bytes);
}
