#include "InstallationPlan.h"

#include "PackageDiscovery.h"
#include "RunWaits.h"
#include "ShellFolder.h"

#include "foundation/KFile.h"
#include "foundation/UnredirectedOpen.h"

#include <shlobj.h>

// Out of line, so that a run does not carry the making and unmaking of every member in its own code.
InstallationPlan::InstallationPlan() = default;
InstallationPlan::~InstallationPlan() = default;

void InstallationPlan::scanMachine() {
    programFiles = getProgramFilesFolder();
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        const Product& facts = PRODUCTS[product];
        products[product].installed =
            facts.modulePath != nullptr ? isPluginInstalled(programFiles, facts) : readProductBuild(build);
    }
    user = DesktopUser::find();
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        configurations[configuration].inProductFolder =
            KFile::exists(productFolder() + CONFIGURATION_FILES[configuration].fileName);
    }
}

void InstallationPlan::scanFolder(const KString& programFolder) {
    folder = programFolder;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        ProductState& state = products[product];
        state.chosen = choosePackage(folder, PRODUCTS[product]);
        if (state.chosen >= 0) {
            state.package = folder + packageName(PRODUCTS[product], state.chosen);
        }
    }
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        ConfigurationState& state = configurations[configuration];
        state.source = folder + CONFIGURATION_FILES[configuration].fileName;
        state.offered = KFile::exists(state.source);
    }
}

void InstallationPlan::listPackageCandidates() {
    const PackageCandidates* listed[PRODUCT_COUNT];
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        products[product].candidates.list(folder, PRODUCTS[product], products[product].chosen);
        listed[product] = &products[product].candidates;
    }
    unrecognised.listOthers(folder, listed);
}

int InstallationPlan::machineCount() const {
    int count = 0;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        count += isInstalled(product) ? 1 : 0;
    }
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        count += isInProductFolder(configuration) ? 1 : 0;
    }
    return count;
}

int InstallationPlan::folderCount() const {
    int count = 0;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        count += package(product).isEmpty() ? 0 : 1;
    }
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        count += copies(configuration) ? 1 : 0;
    }
    return count;
}

int InstallationPlan::stepTotal() const {
    int total = 0;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        total += installs(product) ? 1 : 0;
    }
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        total += copies(configuration) ? 1 : 0;
    }
    return total;
}

DWORD InstallationPlan::leastWaitMs() const {
    DWORD waitMs = FIXED_WAIT_MS;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        waitMs += installs(product) ? INSTALL_WAIT_MS : 0;
    }
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        if (copies(configuration)) {
            // A database step waits after the copy and again after the rewrite.
            waitMs += CONFIGURATION_FILES[configuration].isDatabase ? 2 * COPY_WAIT_MS : COPY_WAIT_MS;
        }
    }
    return waitMs;
}

CopyDecision InstallationPlan::copyDecision(int configuration) const {
    const ConfigurationCopy copy(source(configuration), appDataFolder(),
                                 KString(CONFIGURATION_FILES[configuration].fileName, KString::REFER_STATIC),
                                 user.token());
    return copy.decision();
}

DatabaseForecast InstallationPlan::deviceForecast(int configuration) const {
    return forecastDeviceIdUpdate(source(configuration));
}

bool InstallationPlan::isProductFolderInProfile() const {
    const KString profile = getShellFolder(CSIDL_PROFILE, user.token());
    KString inner = finalPathOf(appDataFolder());
    KString outer = finalPathOf(profile);
    // Where either cannot be opened, the names the shell gives.
    if (inner.isEmpty() || outer.isEmpty()) {
        inner = appDataFolder();
        outer = profile;
    }
    inner = inner + PRODUCT_FOLDER_NAME;
    return !outer.isEmpty() && inner.length() > outer.length() && inner.text()[outer.length()] == L'\\' &&
           CompareStringOrdinal(inner.text(), outer.length(), outer.text(), outer.length(), TRUE) ==
               CSTR_EQUAL;
}
