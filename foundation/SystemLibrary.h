#pragma once

#include <windows.h>

// A system DLL that Windows does not always take from the system folder (it is not among the
// KnownDLLs), loaded from the system folder by its full path: a static import, or a load by bare
// name, would be resolved from the program's own folder first, a folder of downloaded files. Freed
// when the object goes.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* fileName);
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;
    virtual ~SystemLibrary();

    explicit operator bool() const { return module != nullptr; }

    // The export of that name as a function of the given type; null when the library or the export
    // is missing.
    template <typename Function> Function find(const char* exportName) const {
        return module == nullptr
                   ? nullptr
                   : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, exportName)));
    }

private:
    HMODULE module;
};

// The named export of kernel32.dll, which every process has loaded; null where this system lacks it.
// For the calls of newer systems: an import of them would stop the program starting on older ones.
FARPROC kernel32Export(const char* exportName);
