// Linked into a build of the installer whose calls of malloc, calloc, realloc and free (new and delete
// come through them) are wrapped: counts the bytes its own code holds on the runtime's heap, keeps their
// peak, and when wWinMain returns writes "PEAK ALLOCATIONS HELD UNMATCHED" to the file that the
// environment variable PELLMONT_HEAP_REPORT names. The blocks' sizes are the heap's own (_msize).
// UNMATCHED counts frees of more than was counted as held: a block that came from an allocation
// this build does not wrap, which makes the figures incomplete.

#include "foundation/UniqueResource.h"

#include <windows.h>

#include <malloc.h>

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void __real_free(void* block);
int WINAPI __real_wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLineTail, int showCommand);
}

namespace {

// Constant-initialised: nothing runs before the program's own entry.
SRWLOCK counterLock = SRWLOCK_INIT;
size_t heldBytes = 0;
size_t peakBytes = 0;
size_t allocations = 0;
size_t unmatchedFrees = 0;

void note(size_t freed, size_t allocated, bool isNewBlock) {
    AcquireSRWLockExclusive(&counterLock);
    if (freed > heldBytes) {
        ++unmatchedFrees;
        freed = heldBytes;
    }
    heldBytes = heldBytes - freed + allocated;
    if (heldBytes > peakBytes) {
        peakBytes = heldBytes;
    }
    allocations += isNewBlock ? 1 : 0;
    ReleaseSRWLockExclusive(&counterLock);
}

} // namespace

extern "C" void* __wrap_malloc(size_t size) {
    void* const block = __real_malloc(size);
    if (block != nullptr) {
        note(0, _msize(block), true);
    }
    return block;
}

extern "C" void* __wrap_calloc(size_t count, size_t size) {
    void* const block = __real_calloc(count, size);
    if (block != nullptr) {
        note(0, _msize(block), true);
    }
    return block;
}

extern "C" void* __wrap_realloc(void* block, size_t size) {
    const size_t before = block != nullptr ? _msize(block) : 0;
    void* const moved = __real_realloc(block, size);
    if (moved != nullptr) {
        note(before, _msize(moved), block == nullptr);
    } else if (size == 0) {
        note(before, 0, false); // the block was freed
    }
    return moved;
}

extern "C" void __wrap_free(void* block) {
    if (block != nullptr) {
        note(_msize(block), 0, false);
    }
    __real_free(block);
}

extern "C" int WINAPI __wrap_wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLineTail,
                                      int showCommand) {
    const int result = __real_wWinMain(instance, previous, commandLineTail, showCommand);
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"PELLMONT_HEAP_REPORT", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        char report[96];
        AcquireSRWLockExclusive(&counterLock);
        const int reportLength =
            wsprintfA(report, "%lu %lu %lu %lu\n", static_cast<unsigned long>(peakBytes),
                      static_cast<unsigned long>(allocations), static_cast<unsigned long>(heldBytes),
                      static_cast<unsigned long>(unmatchedFrees));
        ReleaseSRWLockExclusive(&counterLock);
        const UniqueFileHandle file(
            CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), report, static_cast<DWORD>(reportLength), &written, nullptr);
    }
    return result;
}
