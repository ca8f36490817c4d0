#include "ConfigurationTransfer.h"

#include "ComponentDetection.h"
#include "ConfigurationCopy.h"

#include "foundation/UserImpersonation.h"

void copyConfigurationFile(const KString& sourcePath, const KString& fileName, const KString& appDataFolder,
                           HANDLE userToken) {
    if (!appDataFolder.isEmpty()) {
        const UserImpersonation user(userToken);
        if (user) {
            CreateDirectoryW((appDataFolder + PRODUCT_FOLDER_NAME).text(), nullptr);
        }
    }
    ConfigurationCopy copy(sourcePath, appDataFolder, fileName, userToken);
    copy.perform();
}
