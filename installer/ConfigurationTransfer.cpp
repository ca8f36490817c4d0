#include "ConfigurationTransfer.h"

#include "ComponentDetection.h"

void copyConfigurationFile(const KString& sourcePath, const KString& fileName, const KString& appDataFolder) {
    if (appDataFolder.isEmpty()) {
        // An unknown AppData folder would put the product folder at the root of the current drive.
        return;
    }
    const KString productFolder = appDataFolder + PRODUCT_FOLDER_NAME;
    const KString destination = productFolder + fileName;
    CreateDirectoryW(productFolder.text(), nullptr);
    DeleteFileW(destination.text());
    CopyFileW(sourcePath.text(), destination.text(), FALSE);
}
