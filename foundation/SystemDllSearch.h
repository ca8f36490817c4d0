#pragma once

#include "SystemLibrary.h"

#include <windows.h>

// The programs run from a folder of downloaded files: from here on, no DLL placed beside them loads.
// Looked up at run time: systems without the update that brings the call have no such export, and
// their search stays as it was.
inline void restrictDllSearchToSystem() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(kernel32Export("SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}
