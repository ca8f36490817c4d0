#include "ConfigurationTransfer.h"

#include "ComponentDetection.h"

#include "foundation/UniqueResource.h"
#include "foundation/UnredirectedOpen.h"

namespace {

// Removes the name through a handle that is on it: a path given to DeleteFileW follows a symbolic
// link under Wine and deletes the file it leads to. A link that cannot be opened as itself stays.
void removeName(const KString& path) {
    const UniqueFileHandle name = openUnredirectedName(path, DELETE);
    if (!name) {
        return;
    }
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(name.get(), FileDispositionInfo, &disposition, sizeof(disposition));
}

// The destination is replaced by a new file. What could not be removed (read-only, held open
// without shared deletion) is overwritten only when it is a plain file of the folder: a hard link or
// a link would be written through to the file it leads to.
void replaceFile(const KString& source, const KString& destination) {
    removeName(destination);
    if (GetFileAttributesW(destination.text()) == INVALID_FILE_ATTRIBUTES) {
        // A name that someone puts there meanwhile makes the copy fail instead of being written through.
        CopyFileW(source.text(), destination.text(), TRUE);
        return;
    }
    // Held through the copy, so that the file checked cannot be swapped for a link before it is written.
    const UniqueFileHandle remaining = openUnredirectedFile(destination, FILE_READ_ATTRIBUTES);
    if (remaining) {
        CopyFileW(source.text(), destination.text(), FALSE);
    }
}

} // namespace

void copyConfigurationFile(const KString& sourcePath, const KString& fileName, const KString& appDataFolder) {
    if (appDataFolder.isEmpty()) {
        // An unknown AppData folder would put the product folder at the root of the current drive.
        return;
    }
    const KString productFolder = appDataFolder + PRODUCT_FOLDER_NAME;
    const KString destination = productFolder + fileName;
    CreateDirectoryW(productFolder.text(), nullptr);
    // The desktop user may have made the folder a link to one that only administrators may write.
    // Held through the copy, so that the folder checked is the folder written to.
    const UniqueFileHandle folder = openUnredirectedFolder(productFolder);
    if (!folder) {
        return;
    }
    replaceFile(sourcePath, destination);
}
