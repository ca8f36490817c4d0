#pragma once

#include "foundation/KString.h"

#include <windows.h>

class PointerList;

// The process's one source of window class names and component numbers, and the home of the
// menu-item and timer lists that window messages are dispatched to.
class ComponentRegistry {
public:
    static constexpr int FIRST_MENU_COMMAND = 30001;
    static constexpr int FIRST_TIMER_ID = 1001;

    // Made on the first call; lives until releaseInstance (shutdownFramework).
    static ComponentRegistry* instance();
    static void releaseInstance();

    ComponentRegistry(const ComponentRegistry&) = delete;
    ComponentRegistry& operator=(const ComponentRegistry&) = delete;
    virtual ~ComponentRegistry();

    // "NXF_<module as signed 32-bit decimal>_<counter>", never repeated within one registry.
    KString generateClassName();
    // Counts one more component and returns the new count.
    int countComponent();

    // Null until made. Items are KMenuItem* (index = command id - 30001) and KTimer*
    // (index = timer id - 1001); the lists do not own them.
    PointerList* getMenuItems();
    PointerList* getTimers();
    PointerList* makeMenuItems();
    PointerList* makeTimers();

private:
    ComponentRegistry();

    int classNameCounter;
    int componentCount;
    PointerList* menuItems; // owned
    PointerList* timers;    // owned
    CRITICAL_SECTION lock;  // guards both counters
};
