#include "HeldFolder.h"

#include <winternl.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// FileRenameInformationEx and its flags (Windows 10 1809 on); FILE_RENAME_INFORMATION's first member
// is then a set of flags instead of a bool.
constexpr auto FILE_RENAME_INFORMATION_EX_CLASS = static_cast<FILE_INFORMATION_CLASS>(65);
constexpr ULONG RENAME_REPLACE_IF_EXISTS = 0x1;
constexpr ULONG RENAME_POSIX_SEMANTICS = 0x2;

struct RenameInformation {
    ULONG flags; // ReplaceIfExists in its first byte for the plain class
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[1];
};

UNICODE_STRING unicodeString(const wchar_t* text) {
    const USHORT bytes = static_cast<USHORT>(lengthOf(text) * sizeof(wchar_t));
    return UNICODE_STRING{bytes, bytes, const_cast<wchar_t*>(text)};
}

// The status as the Win32 error that callers read.
bool succeeded(NTSTATUS status) {
    SetLastError(RtlNtStatusToDosError(status));
    return NT_SUCCESS(status);
}

} // namespace

UniqueFileHandle HeldFolder::open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition,
                                  DWORD options, DWORD attributes) const {
    UNICODE_STRING objectName = unicodeString(name);
    OBJECT_ATTRIBUTES object = {};
    object.Length = sizeof(object);
    object.RootDirectory = folder.get();
    object.ObjectName = &objectName;
    object.Attributes = OBJ_CASE_INSENSITIVE;
    IO_STATUS_BLOCK status;
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (!succeeded(NtCreateFile(&handle, access | SYNCHRONIZE, &object, &status, nullptr, attributes, share,
                                disposition, options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT,
                                nullptr, 0))) {
        return UniqueFileHandle();
    }
    return UniqueFileHandle(handle);
}

UniqueFileHandle HeldFolder::openName(const wchar_t* name, DWORD access) const {
    return open(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN, 0, 0);
}

UniqueFileHandle HeldFolder::createFile(const wchar_t* name, DWORD access, DWORD attributes) const {
    return open(name, access, 0, FILE_CREATE, FILE_NON_DIRECTORY_FILE, attributes);
}

HeldFolder HeldFolder::openFolder(const wchar_t* name) const {
    return HeldFolder(open(name, HOLDING_ACCESS, HOLDING_SHARE, FILE_OPEN, FILE_DIRECTORY_FILE, 0));
}

HeldFolder HeldFolder::makeFolder(const wchar_t* name) const {
    return HeldFolder(
        open(name, HOLDING_ACCESS, HOLDING_SHARE, FILE_OPEN_IF, FILE_DIRECTORY_FILE, FILE_ATTRIBUTE_NORMAL));
}

bool HeldFolder::setName(HANDLE file, const wchar_t* name, ULONG informationClass, ULONG flags) const {
    const ULONG nameBytes = static_cast<ULONG>(lengthOf(name) * sizeof(wchar_t));
    const ULONG size = sizeof(RenameInformation) + nameBytes;
    const UniqueMemory<RenameInformation> information(static_cast<RenameInformation*>(std::calloc(1, size)));
    if (!information) {
        return false;
    }
    information.get()->flags = flags;
    information.get()->rootDirectory = folder.get();
    information.get()->fileNameLength = nameBytes;
    std::memcpy(information.get()->fileName, name, nameBytes);
    IO_STATUS_BLOCK status;
    return succeeded(NtSetInformationFile(file, &status, information.get(), size,
                                          static_cast<FILE_INFORMATION_CLASS>(informationClass)));
}

bool HeldFolder::rename(HANDLE file, const wchar_t* name, bool replace) const {
    return setName(file, name, FileRenameInformation, replace ? 1 : 0);
}

bool HeldFolder::replaceHeld(HANDLE file, const wchar_t* name) const {
    return setName(file, name, FILE_RENAME_INFORMATION_EX_CLASS,
                   RENAME_REPLACE_IF_EXISTS | RENAME_POSIX_SEMANTICS);
}
