// The program's entry: the process's own protections first, then the installer application's run.

#include "InstallerApplication.h"
#include "RunWithinFramework.h"

#include "foundation/RedirectionTrust.h"

#include <windows.h>

namespace {

// The program runs elevated from a folder of downloaded files: no DLL placed beside it may ever load.
void restrictDllSearchToSystem() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

KApplication* makeInstallerApplication() {
    return new InstallerApplication;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    restrictDllSearchToSystem();
    // Before the first write into the desktop user's folder; where the system lacks it, the checks of
    // the copy and the rewrite still stand.
    enforceRedirectionTrust();
    return runWithinFramework(instance, &makeInstallerApplication);
}
