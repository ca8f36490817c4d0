#include "ConfigurationCopy.h"

#include "ComponentDetection.h"

#include "foundation/KFile.h"
#include "foundation/UnredirectedOpen.h"
#include "foundation/UserImpersonation.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD COPY_BUFFER_BYTES = 64 * 1024;
// The attributes that a copy takes from its source, as CopyFileW's do, but for read-only: the
// rewrite must be able to open the copy, and the next run to replace it.
constexpr DWORD COPIED_ATTRIBUTES = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// FileDispositionInfoEx and its flags (Windows 10 1709 on); the SDK names them only for that release.
constexpr auto FILE_DISPOSITION_INFO_EX_CLASS = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD DISPOSITION_DELETE = 0x1;
constexpr DWORD DISPOSITION_POSIX_SEMANTICS = 0x2;

// Everything from the source's position to its end, written at the destination's position.
bool copyBytes(HANDLE source, HANDLE destination) {
    const UniqueMemory<BYTE> buffer(static_cast<BYTE*>(std::malloc(COPY_BUFFER_BYTES)));
    if (!buffer) {
        return false;
    }
    DWORD read = 0;
    while (ReadFile(source, buffer.get(), COPY_BUFFER_BYTES, &read, nullptr)) {
        if (read == 0) {
            return true;
        }
        DWORD written = 0;
        if (!WriteFile(destination, buffer.get(), read, &written, nullptr) || written != read) {
            return false;
        }
    }
    return false;
}

// Removes the name that the handle was opened on, never what a link leads to. With POSIX semantics
// the name goes at once while others keep the file open; the legacy disposition, the only one some
// systems have, leaves the name until the last handle on the file closes.
void removeName(HANDLE file) {
    DWORD posix = DISPOSITION_DELETE | DISPOSITION_POSIX_SEMANTICS;
    if (!SetFileInformationByHandle(file, FILE_DISPOSITION_INFO_EX_CLASS, &posix, sizeof(posix))) {
        FILE_DISPOSITION_INFO legacy = {};
        legacy.DeleteFile = TRUE;
        SetFileInformationByHandle(file, FileDispositionInfo, &legacy, sizeof(legacy));
    }
}

// The NT form of a full path, which a rename takes as it is whether or not the system converts the
// DOS form (relative to the current folder, for a bare name).
KString ntPath(const KString& path) {
    const wchar_t* const text = path.text();
    if (text[0] == L'\\' && text[1] == L'\\') {
        // "\\?\C:\..." or "\\server\share\..."
        return text[2] == L'?' ? L"\\??" + KString(text + 3, KString::COPY_TEXT)
                               : L"\\??\\UNC" + KString(text + 1, KString::COPY_TEXT);
    }
    return L"\\??\\" + path;
}

// Renames what the handle is open on (the name itself when opened on a link) to a name that is free.
bool renameTo(HANDLE file, const KString& path) {
    const KString target = ntPath(path);
    const DWORD nameBytes = static_cast<DWORD>(target.length()) * sizeof(wchar_t);
    const DWORD size = sizeof(FILE_RENAME_INFO) + nameBytes;
    const UniqueMemory<FILE_RENAME_INFO> information(static_cast<FILE_RENAME_INFO*>(std::calloc(1, size)));
    if (!information) {
        return false;
    }
    information.get()->FileNameLength = nameBytes;
    std::memcpy(information.get()->FileName, target.text(), nameBytes);
    return SetFileInformationByHandle(file, FileRenameInfo, information.get(), size) != FALSE;
}

} // namespace

ConfigurationCopy::ConfigurationCopy(const KString& sourcePath, const KString& appDataFolder,
                                     const KString& fileName, HANDLE userToken)
    : userToken(userToken), destination(appDataFolder + PRODUCT_FOLDER_NAME + fileName),
      decided(examine(sourcePath, appDataFolder)) {}

CopyDecision ConfigurationCopy::examine(const KString& sourcePath, const KString& appDataFolder) {
    if (appDataFolder.isEmpty()) {
        return CopyDecision::NO_APPDATA_FOLDER;
    }
    // Only a file that the operator put into the program folder: a link or a hard link there could
    // lead to a file of another user, which the copy would hand to the desktop user.
    input = openPlainFileOfFolder(sourcePath, GENERIC_READ);
    if (!input || !GetFileInformationByHandle(input.get(), &sourceFile)) {
        return CopyDecision::LINKED_SOURCE;
    }
    const UserImpersonation user(userToken);
    if (!user) {
        return CopyDecision::NO_USER_RIGHTS;
    }
    const KString productFolder = appDataFolder + PRODUCT_FOLDER_NAME;
    if (GetFileAttributesW(productFolder.text()) == INVALID_FILE_ATTRIBUTES) {
        // Only its last level is made, so it needs the AppData folder.
        return KFile::isFolder(appDataFolder) ? CopyDecision::COPY_NEW : CopyDecision::NO_PRODUCT_FOLDER;
    }
    // The desktop user may have made the folder a link to one that only administrators may write.
    folder = openUnredirectedFolder(productFolder);
    if (!folder) {
        return CopyDecision::FOLDER_REDIRECTED;
    }
    const DWORD attributes = GetFileAttributesW(destination.text());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return CopyDecision::COPY_NEW;
    }
    // Started from the product folder itself, or from a folder that the AppData folder leads to:
    // removing the destination would remove the source.
    if (isTheSource(destination)) {
        return CopyDecision::SAME_FILE;
    }
    // A read-only file can be neither removed nor written over (Wine as root would write it all the same).
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return CopyDecision::DESTINATION_KEPT;
    }
    // The name itself, never what a link leads to; it cannot be had while a holder denies deletion.
    name = openUnredirectedName(destination, DELETE);
    if (name) {
        return CopyDecision::REPLACE;
    }
    // Written over only as a plain file of the folder (a hard link or a link would be written through),
    // and only through this handle, so that no swap after the check can redirect the write.
    remaining = openUnredirectedFile(destination, GENERIC_WRITE);
    return remaining ? CopyDecision::OVERWRITE : CopyDecision::DESTINATION_KEPT;
}

// By the file's identity, which names cannot hide: another path, another letter case, a link.
bool ConfigurationCopy::isTheSource(const KString& path) const {
    const UniqueFileHandle file(CreateFileW(path.text(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    return file && GetFileInformationByHandle(file.get(), &information) &&
           information.dwVolumeSerialNumber == sourceFile.dwVolumeSerialNumber &&
           information.nFileIndexHigh == sourceFile.nFileIndexHigh &&
           information.nFileIndexLow == sourceFile.nFileIndexLow;
}

// A new file of the copy's own: a name that someone puts there meanwhile makes it fail instead of
// being written through.
bool ConfigurationCopy::makeCopy() {
    const DWORD attributes = sourceFile.dwFileAttributes & COPIED_ATTRIBUTES;
    const UniqueFileHandle copy(CreateFileW(destination.text(), GENERIC_WRITE | DELETE, 0, nullptr,
                                            CREATE_NEW, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
    if (!copy) {
        return false;
    }
    if (copyBytes(input.get(), copy.get()) &&
        SetFileTime(copy.get(), nullptr, nullptr, &sourceFile.ftLastWriteTime)) {
        return true;
    }
    // An incomplete copy goes, as CopyFileW's does.
    removeName(copy.get());
    return false;
}

// Moved aside first, so that the destination's name is free at once even where the running product
// holds the file open (sharing deletion) and only the legacy disposition exists, which would leave the
// name in place until the product closes the file: the copy would fail, and the file then vanish.
void ConfigurationCopy::replace() {
    const KString aside = destination + L"." + KString(static_cast<int>(GetCurrentProcessId())) + L".old";
    if (!renameTo(name.get(), aside)) {
        return;
    }
    if (makeCopy()) {
        removeName(name.get());
    } else {
        renameTo(name.get(), destination);
    }
}

void ConfigurationCopy::perform() {
    const UserImpersonation user(userToken);
    if (user) {
        switch (decided) {
        case CopyDecision::COPY_NEW:
            makeCopy();
            break;
        case CopyDecision::REPLACE:
            replace();
            break;
        case CopyDecision::OVERWRITE:
            if (copyBytes(input.get(), remaining.get())) {
                SetEndOfFile(remaining.get());
            }
            break;
        case CopyDecision::NO_APPDATA_FOLDER:
        case CopyDecision::LINKED_SOURCE:
        case CopyDecision::NO_USER_RIGHTS:
        case CopyDecision::NO_PRODUCT_FOLDER:
        case CopyDecision::FOLDER_REDIRECTED:
        case CopyDecision::SAME_FILE:
        case CopyDecision::DESTINATION_KEPT:
            break;
        }
    }
    input.reset();
    folder.reset();
    name.reset();
    remaining.reset();
}
