#include "HeapUsage.h"

#include <windows.h>

#include <vector>

namespace {

size_t busyBytesOf(HANDLE heap) {
    size_t total = 0;
    // Locked so that another thread's allocation cannot move the walk's position.
    if (!HeapLock(heap)) {
        return 0;
    }
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
            total += entry.cbData;
        }
    }
    HeapUnlock(heap);
    return total;
}

} // namespace

size_t heapBytesInUse() {
    std::vector<HANDLE> heaps(64);
    for (;;) {
        const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
        if (count <= heaps.size()) {
            heaps.resize(count);
            break;
        }
        heaps.resize(count);
    }
    size_t total = 0;
    for (const HANDLE heap : heaps) {
        total += busyBytesOf(heap);
    }
    return total;
}
