#include "SystemLibrary.h"

#include <cstring>
#include <cwchar>

SystemLibrary::SystemLibrary(const wchar_t* fileName) : module(nullptr) {
    wchar_t path[MAX_PATH];
    const size_t folderLength = GetSystemDirectoryW(path, MAX_PATH);
    const size_t nameLength = std::wcslen(fileName);
    // The folder, a backslash and the name, with the terminator; a longer path would not load anyway.
    if (folderLength == 0 || folderLength + 1 + nameLength >= MAX_PATH) {
        return;
    }
    path[folderLength] = L'\\';
    std::memcpy(path + folderLength + 1, fileName, (nameLength + 1) * sizeof(wchar_t));
    // The DLL's own imports are then looked for beside it, in the system folder, too.
    module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::~SystemLibrary() {
    if (module != nullptr) {
        FreeLibrary(module);
    }
}

FARPROC kernel32Export(const char* exportName) {
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), exportName);
}
