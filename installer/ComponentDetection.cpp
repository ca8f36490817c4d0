#include "ComponentDetection.h"

#include "DesktopUser.h"
#include "RegistryView.h"
#include "ShellFolder.h"

#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"

bool readProductBuild(ProductBuild& build) {
    UniqueRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_REGISTRY_KEY, 0, KEY_READ | PRODUCT_REGISTRY_VIEW,
                      key.put()) != ERROR_SUCCESS) {
        return false;
    }
    build = ProductBuild();
    DWORD dataSize = sizeof(build.data);
    return RegQueryValueExW(key.get(), PRODUCT_REGISTRY_VALUE, nullptr, &build.type,
                            reinterpret_cast<BYTE*>(&build.data), &dataSize) == ERROR_SUCCESS;
}

bool isProductInstalled() {
    ProductBuild build;
    return readProductBuild(build);
}

KString getProgramFilesFolder() {
    return getShellFolder(PRODUCT_PROGRAM_FILES_FOLDER, nullptr);
}

bool isPluginInstalled(const KString& programFilesFolder, const Product& plugin) {
    return KFile::exists(programFilesFolder + plugin.modulePath);
}

KString getInteractiveUserAppDataFolder() {
    return DesktopUser::find().appDataFolder();
}
