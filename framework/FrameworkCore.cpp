#include "FrameworkCore.h"

#include "ComponentRegistry.h"
#include "KFont.h"

#include <commctrl.h>
#include <objbase.h>

HINSTANCE frameworkModule = nullptr;
CRITICAL_SECTION creationLock;
ATOM componentAtom = 0;
ATOM oldProcAtom = 0;

namespace {

// Not locked: initFramework and shutdownFramework belong to the main thread.
int useCount = 0;

constexpr DWORD MODULE_FROM_OWN_ADDRESS =
    GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;

} // namespace

void initFramework(HINSTANCE module) {
    if (useCount == 0) {
        if (module == nullptr) {
            HMODULE own = nullptr;
            GetModuleHandleExW(MODULE_FROM_OWN_ADDRESS, reinterpret_cast<LPCWSTR>(&initFramework), &own);
            module = own;
        }
        frameworkModule = module;
        ComponentRegistry::instance();

        INITCOMMONCONTROLSEX controls;
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_WIN95_CLASSES;
        InitCommonControlsEx(&controls);

        CoInitialize(nullptr);
        InitializeCriticalSection(&creationLock);
        componentAtom = GlobalAddAtomW(L"NXFComponent");
        oldProcAtom = GlobalAddAtomW(L"NXFOldProc");
    }
    ++useCount;
}

void shutdownFramework() {
    // An unmatched call must not drive the count below zero, or the next init would be skipped.
    if (useCount == 0) {
        return;
    }
    --useCount;
    if (useCount != 0) {
        return;
    }
    CoUninitialize();
    DeleteCriticalSection(&creationLock);
    GlobalDeleteAtom(componentAtom);
    GlobalDeleteAtom(oldProcAtom);
    componentAtom = 0;
    oldProcAtom = 0;
    KFont::releaseDefaultFont();
    ComponentRegistry::releaseInstance();
}
