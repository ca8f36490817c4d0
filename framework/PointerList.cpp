#include "PointerList.h"

#include <cstdlib>

PointerList::PointerList(bool threadSafe) : count(0), items(nullptr), threadSafe(threadSafe) {
    if (threadSafe) {
        InitializeCriticalSection(&lock);
    }
}

PointerList::~PointerList() {
    std::free(items);
    if (threadSafe) {
        DeleteCriticalSection(&lock);
    }
}

int PointerList::add(void* item) {
    if (threadSafe) {
        EnterCriticalSection(&lock);
    }
    int index = -1;
    void** const grown =
        static_cast<void**>(std::realloc(items, (static_cast<size_t>(count) + 1) * sizeof(void*)));
    if (grown != nullptr) {
        items = grown;
        index = count;
        items[count++] = item;
    }
    if (threadSafe) {
        LeaveCriticalSection(&lock);
    }
    return index;
}

void* PointerList::getAt(int index) {
    if (threadSafe) {
        EnterCriticalSection(&lock);
    }
    void* const item = index >= 0 && index < count ? items[index] : nullptr;
    if (threadSafe) {
        LeaveCriticalSection(&lock);
    }
    return item;
}

int PointerList::getCount() {
    if (threadSafe) {
        EnterCriticalSection(&lock);
    }
    const int current = count;
    if (threadSafe) {
        LeaveCriticalSection(&lock);
    }
    return current;
}
