// The installation run: InstallerWindow's work on its worker thread. It branches only on what the two
// scans find; the outcome of an installation, a copy or a rewrite is never examined.

#include "InstallerWindow.h"

#include "InstallerMessages.h"
#include "StepProgress.h"

#include "devices/DeviceIdUpdate.h"
#include "foundation/KFile.h"
#include "foundation/KString.h"
#include "installer/ComponentDetection.h"
#include "installer/ConfigurationTransfer.h"
#include "installer/InstallationSteps.h"
#include "installer/PackageDiscovery.h"
#include "installer/PackageInstallation.h"

#include <objbase.h>

namespace {

KString countText(const wchar_t* prefix, int count) {
    return KString(prefix, KString::COPY_TEXT) + KString(count) + L" components.";
}

} // namespace

void InstallerWindow::run(KThread*) {
    CoInitialize(nullptr); // the device identifier rewrite creates COM objects on this thread
    postStatus(L"Scanning for installed components...");

    bool installed[PRODUCT_COUNT];
    installed[0] = isProductInstalled();
    const KString programFilesFolder = getProgramFilesFolder();
    for (int plugin = 0; plugin < PRODUCT_COUNT - 1; ++plugin) {
        installed[plugin + 1] = KFile::exists(programFilesFolder + PLUGIN_MODULE_PATHS[plugin]);
    }
    const KString appDataFolder = getInteractiveUserAppDataFolder();
    const KString productFolder = appDataFolder + PRODUCT_FOLDER_NAME;
    int foundInstalled = 0;
    for (const bool isInstalled : installed) {
        foundInstalled += isInstalled ? 1 : 0;
    }
    for (const ConfigurationStep& configuration : CONFIGURATION_STEPS) {
        foundInstalled += KFile::exists(productFolder + configuration.fileName) ? 1 : 0;
    }

    Sleep(SCAN_WAIT_MS);
    postStatus(countText(L"Found ", foundInstalled));
    Sleep(COUNT_WAIT_MS);

    const KString programFolder = getProgramFolder();
    postStatus(L"Checking directory for components...");
    KString packages[PRODUCT_COUNT];
    KString sources[CONFIGURATION_COUNT];
    bool sourcePresent[CONFIGURATION_COUNT];
    int foundOffered = 0;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        packages[product] = PRODUCT_STEPS[product].findPackage(programFolder);
        foundOffered += packages[product].isEmpty() ? 0 : 1;
    }
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        sources[configuration] = programFolder + CONFIGURATION_STEPS[configuration].fileName;
        sourcePresent[configuration] = KFile::exists(sources[configuration]);
        foundOffered += sourcePresent[configuration] ? 1 : 0;
    }

    Sleep(SCAN_WAIT_MS);
    postStatus(countText(L"Found ", foundOffered));
    Sleep(COUNT_WAIT_MS);

    bool installs[PRODUCT_COUNT];
    int total = 0;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        installs[product] = !installed[product] && !packages[product].isEmpty();
        total += installs[product] ? 1 : 0;
    }
    for (const bool present : sourcePresent) {
        total += present ? 1 : 0;
    }
    postStatus(countText(L"Setup will install ", total));
    Sleep(ANNOUNCE_WAIT_MS);

    if (total > 0) {
        StepProgress progress(total);
        for (int product = 0; product < PRODUCT_COUNT; ++product) {
            if (!installs[product]) {
                continue;
            }
            postStatus(PRODUCT_STEPS[product].status);
            installPackage(packages[product]);
            Sleep(INSTALL_WAIT_MS);
            postProgress(progress.advance());
        }
        for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
            if (!sourcePresent[configuration]) {
                continue;
            }
            const ConfigurationStep& step = CONFIGURATION_STEPS[configuration];
            const KString fileName(step.fileName, KString::COPY_TEXT);
            postStatus(step.status);
            // The folder of the first scan: asked again, it could differ from where the rewrite goes.
            copyConfigurationFile(sources[configuration], fileName, appDataFolder);
            Sleep(COPY_WAIT_MS);
            if (step.isDatabase) {
                postStatus(L"Updating Audio Device IDs...");
                // Without the user's folder the path would name the root of the drive: leave it alone.
                if (!appDataFolder.isEmpty()) {
                    updateDeviceIds(productFolder + fileName);
                }
                Sleep(COPY_WAIT_MS);
            }
            postProgress(progress.advance());
        }
    }

    PostMessageW(getWindowHandle(), WM_INSTALL_PROGRESS, 100, 0);
    postStatus(L"Finishing...");
    Sleep(FINISH_WAIT_MS);
    PostMessageW(getWindowHandle(), WM_INSTALL_DONE, 0, 0);
    CoUninitialize();
}
