#pragma once

#include "foundation/KString.h"
#include "foundation/SystemLibrary.h"

// What a Windows Installer package says of itself, read from its own database: the ProductCode that
// uninstalls it (msiexec /x) and the ProductVersion it installs.
struct PackageProperties {
    bool readable = false; // false: not a Windows Installer database that could be opened and read
    KString productCode;
    KString productVersion;
};

// Reads packages through the system's msi.dll, loaded from the system folder only.
class PackagePropertyReader {
public:
    PackagePropertyReader();
    PackagePropertyReader(const PackagePropertyReader&) = delete;
    PackagePropertyReader& operator=(const PackagePropertyReader&) = delete;
    virtual ~PackagePropertyReader() = default;

    // False when the system's Windows Installer cannot be loaded.
    bool isAvailable() const;
    PackageProperties read(const KString& packagePath) const;

private:
    using Handle = unsigned long; // MSIHANDLE
    class OwnedHandle;

    KString property(Handle database, const wchar_t* name) const;

    const SystemLibrary library;
    UINT(WINAPI* const openDatabase)(const wchar_t* path, const wchar_t* persist, Handle* database);
    UINT(WINAPI* const openView)(Handle database, const wchar_t* query, Handle* view);
    UINT(WINAPI* const execute)(Handle view, Handle parameters);
    UINT(WINAPI* const fetch)(Handle view, Handle* record);
    UINT(WINAPI* const recordString)(Handle record, UINT field, wchar_t* buffer, DWORD* units);
    UINT(WINAPI* const closeHandle)(Handle handle);
};
