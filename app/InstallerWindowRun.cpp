// InstallerWindow::run, the installation run on the window's worker thread: it executes the plan
// that its two scans make. It branches only on the plan; the outcome of an installation, a copy or a
// rewrite is never examined.

#include "InstallerWindow.h"

#include "InstallerMessages.h"
#include "StepProgress.h"

#include "devices/DeviceIdUpdate.h"
#include "foundation/KString.h"
#include "installer/ConfigurationTransfer.h"
#include "installer/InstallationPlan.h"
#include "installer/PackageDiscovery.h"
#include "installer/PackageInstallation.h"
#include "installer/RunWaits.h"

#include <objbase.h>

namespace {

KString countText(const wchar_t* prefix, int count) {
    return KString(prefix, KString::COPY_TEXT) + KString(count) + L" components.";
}

} // namespace

void InstallerWindow::run(KThread*) {
    CoInitialize(nullptr); // the device identifier rewrite creates COM objects on this thread
    postStatus(L"Scanning for installed components...");
    InstallationPlan plan;
    plan.scanMachine();
    Sleep(SCAN_WAIT_MS);
    postStatus(countText(L"Found ", plan.machineCount()));
    Sleep(COUNT_WAIT_MS);

    const KString programFolder = getProgramFolder();
    postStatus(L"Checking directory for components...");
    plan.scanFolder(programFolder);
    Sleep(SCAN_WAIT_MS);
    postStatus(countText(L"Found ", plan.folderCount()));
    Sleep(COUNT_WAIT_MS);

    const int total = plan.stepTotal();
    postStatus(countText(L"Setup will install ", total));
    Sleep(ANNOUNCE_WAIT_MS);

    if (total > 0) {
        StepProgress progress(total);
        for (int product = 0; product < PRODUCT_COUNT; ++product) {
            if (!plan.installs(product)) {
                continue;
            }
            postStatus(PRODUCTS[product].installStatus);
            installPackage(plan.package(product));
            Sleep(INSTALL_WAIT_MS);
            postProgress(progress.advance());
        }
        for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
            if (!plan.copies(configuration)) {
                continue;
            }
            const ConfigurationFile& file = CONFIGURATION_FILES[configuration];
            const KString fileName(file.fileName, KString::COPY_TEXT);
            postStatus(file.copyStatus);
            // The folder of the first scan: asked again, it could differ from where the rewrite goes.
            copyConfigurationFile(plan.source(configuration), fileName, plan.appDataFolder(),
                                  plan.desktopUser().token());
            Sleep(COPY_WAIT_MS);
            if (file.isDatabase) {
                postStatus(L"Updating Audio Device IDs...");
                // Without the user's folder the path would name the root of the drive: leave it alone.
                if (!plan.appDataFolder().isEmpty()) {
                    updateDeviceIds(plan.productFolder() + fileName, plan.desktopUser().token());
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
