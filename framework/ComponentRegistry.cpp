#include "ComponentRegistry.h"

#include "FrameworkCore.h"
#include "PointerList.h"

#include <cstdlib>

namespace {

ComponentRegistry* registry = nullptr;

// "NXF_" + "-2147483648" + "_" + "-2147483648" is 27 units with the terminator.
constexpr size_t CLASS_NAME_UNITS = 32;

} // namespace

ComponentRegistry* ComponentRegistry::instance() {
    if (registry == nullptr) {
        registry = new ComponentRegistry();
    }
    return registry;
}

void ComponentRegistry::releaseInstance() {
    delete registry;
    registry = nullptr;
}

ComponentRegistry::ComponentRegistry()
    : classNameCounter(0), componentCount(0), menuItems(nullptr), timers(nullptr) {
    InitializeCriticalSection(&lock);
}

ComponentRegistry::~ComponentRegistry() {
    delete menuItems;
    delete timers;
    DeleteCriticalSection(&lock);
}

KString ComponentRegistry::generateClassName() {
    EnterCriticalSection(&lock);
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc(CLASS_NAME_UNITS * sizeof(wchar_t)));
    if (buffer != nullptr) {
        // The handle keeps its historical 32-bit signed rendering, also in a 64-bit process. The
        // system's formatter keeps the C runtime's floating-point printf out of the program; the
        // longest name is 26 units, well inside the buffer.
        const int module = static_cast<int>(reinterpret_cast<INT_PTR>(frameworkModule));
        wsprintfW(buffer, L"NXF_%d_%d", module, classNameCounter);
    }
    ++classNameCounter;
    LeaveCriticalSection(&lock);
    return KString(buffer, KString::ADOPT_BUFFER);
}

int ComponentRegistry::countComponent() {
    EnterCriticalSection(&lock);
    const int count = ++componentCount;
    LeaveCriticalSection(&lock);
    return count;
}

PointerList* ComponentRegistry::getMenuItems() {
    return menuItems;
}

PointerList* ComponentRegistry::getTimers() {
    return timers;
}

PointerList* ComponentRegistry::makeMenuItems() {
    if (menuItems == nullptr) {
        menuItems = new PointerList(true);
    }
    return menuItems;
}

PointerList* ComponentRegistry::makeTimers() {
    if (timers == nullptr) {
        timers = new PointerList(true);
    }
    return timers;
}
