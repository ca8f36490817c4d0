// The program's own allocation operators. The C++ runtime's versions report exhaustion by throwing,
// and linking them drags its whole exception machinery into a program built without exceptions.
// A failed allocation of one of the program's small objects leaves nothing sensible to do, so the
// process ends rather than returning null to code that cannot expect it.

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

void* allocateOrEnd(std::size_t size) {
    void* const memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        std::abort();
    }
    return memory;
}

} // namespace

void* operator new(std::size_t size) {
    return allocateOrEnd(size);
}

void* operator new[](std::size_t size) {
    return allocateOrEnd(size);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete[](void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
