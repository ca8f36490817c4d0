#pragma once

#include <windows.h>

// A growable array of object pointers it does not own, optionally guarded by its own lock.
class PointerList {
public:
    explicit PointerList(bool threadSafe);
    PointerList(const PointerList&) = delete;
    PointerList& operator=(const PointerList&) = delete;
    virtual ~PointerList();

    // The index of the new item, or -1 when the array cannot grow.
    int add(void* item);
    // Null for an index outside 0 .. count-1.
    void* getAt(int index);
    int getCount();

private:
    int count;
    void** items; // malloc'd
    CRITICAL_SECTION lock;
    bool threadSafe;
};
