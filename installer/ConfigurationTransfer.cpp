#include "ConfigurationTransfer.h"

#include "CopyLeftovers.h"
#include "ProductFolder.h"

#include "foundation/UserImpersonation.h"

RewriteTarget copyConfigurationFile(const KString& sourcePath, const KString& fileName,
                                    const KString& appDataFolder, HANDLE userToken) {
    ConfigurationCopy copy(sourcePath, appDataFolder, fileName, userToken);
    copy.perform();
    return copy.rewriteTarget();
}

void makeProductFolder(const KString& appDataFolder, HANDLE userToken) {
    const UserImpersonation user(userToken);
    if (user) {
        ProductFolder folder;
        folder.open(appDataFolder);
        folder.make();
    }
}

void recoverCopyLeftovers(const KString& appDataFolder, const KString& fileName, HANDLE userToken) {
    const UserImpersonation user(userToken);
    if (!user) {
        return;
    }
    ProductFolder folder;
    folder.open(appDataFolder);
    if (folder.state() == ProductFolder::State::HELD) {
        CopyLeftovers().recover(folder.held(), fileName.text() + 1);
    }
}
