#include "ConfigurationCopy.h"

#include "ComponentDetection.h"

#include "foundation/UnredirectedOpen.h"

#include <cstdlib>

namespace {

constexpr DWORD COPY_BUFFER_BYTES = 64 * 1024;

// The source's bytes in place of the destination's, as CopyFileW would write them over it.
void overwrite(HANDLE destination, const KString& source) {
    const UniqueFileHandle input(CreateFileW(source.text(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const UniqueMemory<BYTE> buffer(static_cast<BYTE*>(std::malloc(COPY_BUFFER_BYTES)));
    if (!input || !buffer) {
        return;
    }
    DWORD read = 0;
    while (ReadFile(input.get(), buffer.get(), COPY_BUFFER_BYTES, &read, nullptr) && read > 0) {
        DWORD written = 0;
        if (!WriteFile(destination, buffer.get(), read, &written, nullptr) || written != read) {
            return;
        }
    }
    SetEndOfFile(destination);
}

bool isFolder(const KString& path) {
    const DWORD attributes = GetFileAttributesW(path.text());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

ConfigurationCopy::ConfigurationCopy(const KString& sourcePath, const KString& appDataFolder,
                                     const KString& fileName)
    : source(sourcePath), destination(appDataFolder + PRODUCT_FOLDER_NAME + fileName),
      decided(examine(appDataFolder)) {}

CopyDecision ConfigurationCopy::examine(const KString& appDataFolder) {
    if (appDataFolder.isEmpty()) {
        return CopyDecision::NO_APPDATA_FOLDER;
    }
    const KString productFolder = appDataFolder + PRODUCT_FOLDER_NAME;
    if (GetFileAttributesW(productFolder.text()) == INVALID_FILE_ATTRIBUTES) {
        // Only its last level is made, so it needs the AppData folder.
        return isFolder(appDataFolder) ? CopyDecision::COPY_NEW : CopyDecision::NO_PRODUCT_FOLDER;
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

void ConfigurationCopy::perform() {
    switch (decided) {
    case CopyDecision::REPLACE: {
        FILE_DISPOSITION_INFO disposition = {};
        disposition.DeleteFile = TRUE;
        SetFileInformationByHandle(name.get(), FileDispositionInfo, &disposition, sizeof(disposition));
        name.reset();
        // A name that someone puts there meanwhile makes the copy fail instead of being written through.
        CopyFileW(source.text(), destination.text(), TRUE);
        break;
    }
    case CopyDecision::COPY_NEW:
        CopyFileW(source.text(), destination.text(), TRUE);
        break;
    case CopyDecision::OVERWRITE:
        overwrite(remaining.get(), source);
        break;
    case CopyDecision::NO_APPDATA_FOLDER:
    case CopyDecision::NO_PRODUCT_FOLDER:
    case CopyDecision::FOLDER_REDIRECTED:
    case CopyDecision::DESTINATION_KEPT:
        break;
    }
    folder.reset();
    remaining.reset();
}
