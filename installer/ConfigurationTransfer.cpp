#include "ConfigurationTransfer.h"

#include "ComponentDetection.h"
#include "ConfigurationCopy.h"

void copyConfigurationFile(const KString& sourcePath, const KString& fileName, const KString& appDataFolder) {
    if (!appDataFolder.isEmpty()) {
        CreateDirectoryW((appDataFolder + PRODUCT_FOLDER_NAME).text(), nullptr);
    }
    ConfigurationCopy copy(sourcePath, appDataFolder, fileName);
    copy.perform();
}
