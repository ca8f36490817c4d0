#include "SystemLibrary.h"

#include "KString.h"

SystemLibrary::SystemLibrary(const wchar_t* fileName) : module(nullptr) {
    wchar_t systemFolder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(systemFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    const KString path =
        KString(systemFolder, KString::COPY_TEXT, static_cast<int>(length)) + L"\\" + fileName;
    // The DLL's own imports are then looked for beside it, in the system folder, too.
    module = LoadLibraryExW(path.text(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::~SystemLibrary() {
    if (module != nullptr) {
        FreeLibrary(module);
    }
}

FARPROC kernel32Export(const char* exportName) {
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), exportName);
}
