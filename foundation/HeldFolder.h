#pragma once

#include "KString.h"
#include "UniqueResource.h"

#include <windows.h>

#include <utility>

// A folder held open so that it can be neither renamed nor removed while it is held, and the names
// in it opened, made and renamed relative to that handle, never through a path built again: what was
// checked on the handle is where every name lands, whatever is done to the path meanwhile.
//
// The handle lists the folder and shares reading and writing but not deletion. Listing takes part in
// sharing (attribute access alone does not), so an open for deletion, which every rename and removal
// of the folder needs, fails while it is held.
class HeldFolder {
public:
    // Access with which a folder is held; it also lets names be opened relative to it.
    static constexpr DWORD HOLDING_ACCESS =
        FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    static constexpr DWORD HOLDING_SHARE = FILE_SHARE_READ | FILE_SHARE_WRITE;

    HeldFolder() = default;
    // Takes over a handle opened with at least HOLDING_ACCESS and at most HOLDING_SHARE.
    explicit HeldFolder(UniqueFileHandle handle) : folder(std::move(handle)) {}

    explicit operator bool() const { return folder.isValid(); }
    HANDLE get() const { return folder.get(); }

    // The name in this folder itself, not what a link there leads to; shares reading and writing, so
    // that a holder who shares deletion keeps its access while no one else may remove the name. On
    // failure GetLastError tells why (ERROR_FILE_NOT_FOUND: nothing has the name).
    UniqueFileHandle openName(const wchar_t* name, DWORD access) const;
    // A new file, shared with no one; fails when anything has the name, a link included.
    UniqueFileHandle createFile(const wchar_t* name, DWORD access, DWORD attributes) const;
    // The folder of that name in this folder, held, not what a link there leads to; on failure
    // GetLastError tells why (ERROR_FILE_NOT_FOUND: nothing has the name).
    HeldFolder openFolder(const wchar_t* name) const;
    // As openFolder, made first when nothing has the name.
    HeldFolder makeFolder(const wchar_t* name) const;
    // Gives the file open on `file` (with DELETE access) the name in this folder. Without replace,
    // fails when the name is taken. With replace, whatever had the name loses it (never what a link
    // there leads to); a file that others hold open cannot lose its name so, unless holders may
    // keep their handles on it, which only systems with POSIX renames allow (replaceHeld).
    bool rename(HANDLE file, const wchar_t* name, bool replace) const;
    // As rename with replace, also over a file that others hold open sharing deletion: they keep
    // reading and writing the file that lost its name. False where the system cannot.
    bool replaceHeld(HANDLE file, const wchar_t* name) const;

private:
    UniqueFileHandle open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD options,
                          DWORD attributes) const;
    bool setName(HANDLE file, const wchar_t* name, ULONG informationClass, ULONG flags) const;

    UniqueFileHandle folder;
};
