#include "InstallationPlan.h"

#include "ConfigurationTransfer.h"
#include "PackageDiscovery.h"
#include "PackageInstallation.h"
#include "ShellFolder.h"
#include "StepProgress.h"

#include "devices/DeviceIdUpdate.h"
#include "foundation/KFile.h"
#include "foundation/UnredirectedOpen.h"
#include "foundation/UserImpersonation.h"

#include <shlobj.h>

namespace {

// The run's pacing, so that the user can read each text.
constexpr DWORD SCAN_WAIT_MS = 2000;
constexpr DWORD COUNT_WAIT_MS = 500;
constexpr DWORD ANNOUNCE_WAIT_MS = 2000;
constexpr DWORD INSTALL_WAIT_MS = 800;
constexpr DWORD COPY_WAIT_MS = 600; // after a copy, and after a database's rewrite
constexpr DWORD FINISH_WAIT_MS = 1000;

KString countText(const wchar_t* prefix, int count) {
    return KString(prefix, KString::REFER_STATIC) + KString(count) + L" components.";
}

// Hands the steps to the visitor as they are made, in one step record: each step sets what its action
// has, and the visitor reads only that.
class StepMaker {
public:
    explicit StepMaker(RunStepVisitor& visitor) : visitor(visitor) {}

    void status(const KString& text) {
        step.status = text;
        make(RunAction::SHOW_STATUS);
    }
    void status(const wchar_t* text) { status(KString(text, KString::REFER_STATIC)); }
    void wait(DWORD waitMs) {
        step.waitMs = waitMs;
        make(RunAction::WAIT);
    }
    void act(RunAction action, int item = 0) {
        step.item = item;
        make(action);
    }
    void progress(int percent) {
        step.percent = percent;
        make(RunAction::ADVANCE_PROGRESS);
    }

private:
    void make(RunAction action) {
        step.action = action;
        visitor.visit(step);
    }

    RunStepVisitor& visitor;
    RunStep step;
};

KString fileNameOf(int configuration) {
    return KString(CONFIGURATION_FILES[configuration].fileName, KString::REFER_STATIC);
}

} // namespace

// Out of line, so that a run does not carry the making and unmaking of every member in its own code.
InstallationPlan::InstallationPlan(const SessionQueries* sessions) : sessions(sessions) {}
InstallationPlan::~InstallationPlan() = default;

void InstallationPlan::scanMachine() {
    programFiles = getProgramFilesFolder();
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        const Product& facts = PRODUCTS[product];
        products[product].installed =
            facts.isMainProduct() ? readProductBuild(build) : isPluginInstalled(programFiles, facts);
    }
    user = sessions != nullptr ? DesktopUser::find(*sessions) : DesktopUser::find();
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        configurations[configuration].inProductFolder =
            KFile::exists(productFolder() + CONFIGURATION_FILES[configuration].fileName);
    }
    // What is in the product folder is the desktop user's, and is looked at with that user's rights.
    const UserImpersonation impersonation(user.token());
    if (!impersonation) {
        return;
    }
    ProductFolder product;
    product.open(appDataFolder());
    productFolderState = product.state();
    if (productFolderState == ProductFolder::State::HELD) {
        for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
            configurations[configuration].leftovers.find(product.held(),
                                                         CONFIGURATION_FILES[configuration].fileName + 1);
        }
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
        count += isOffered(configuration) ? 1 : 0;
    }
    return count;
}

int InstallationPlan::stepTotal() const {
    int total = 0;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        total += installs(product) ? 1 : 0;
    }
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        total += isOffered(configuration) ? 1 : 0;
    }
    return total;
}

void InstallationPlan::forEachStep(RunStepVisitor& visitor) {
    StepMaker make(visitor);
    make.status(L"Scanning for installed components...");
    make.act(RunAction::SCAN_MACHINE);
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        if (leftovers(configuration).areThere()) {
            make.act(RunAction::RECOVER_LEFTOVERS, configuration);
        }
    }
    make.wait(SCAN_WAIT_MS);
    make.status(countText(L"Found ", machineCount()));
    make.wait(COUNT_WAIT_MS);

    make.status(L"Checking directory for components...");
    make.act(RunAction::SCAN_FOLDER);
    make.wait(SCAN_WAIT_MS);
    make.status(countText(L"Found ", folderCount()));
    make.wait(COUNT_WAIT_MS);

    const int total = stepTotal();
    make.status(countText(L"Setup will install ", total));
    make.wait(ANNOUNCE_WAIT_MS);
    if (total > 0) {
        StepProgress progress(total);
        for (int product = 0; product < PRODUCT_COUNT; ++product) {
            if (installs(product)) {
                make.status(PRODUCTS[product].installStatus);
                make.act(RunAction::INSTALL, product);
                make.wait(INSTALL_WAIT_MS);
                make.progress(progress.advance());
            }
        }
        bool toBeMade = productFolderState == ProductFolder::State::TO_BE_MADE;
        for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
            if (!isOffered(configuration)) {
                continue;
            }
            const ConfigurationFile& file = CONFIGURATION_FILES[configuration];
            make.status(file.copyStatus);
            if (toBeMade) {
                make.act(RunAction::MAKE_PRODUCT_FOLDER);
                toBeMade = false;
            }
            make.act(RunAction::COPY, configuration);
            make.wait(COPY_WAIT_MS);
            if (file.isDatabase) {
                make.status(L"Updating Audio Device IDs...");
                make.act(RunAction::REWRITE_DEVICES, configuration);
                make.wait(COPY_WAIT_MS);
            }
            make.progress(progress.advance());
        }
    }
    make.act(RunAction::FILL_PROGRESS);
    make.status(L"Finishing...");
    make.wait(FINISH_WAIT_MS);
    make.act(RunAction::CLOSE);
}

void InstallationPlan::perform(const RunStep& step) {
    const HANDLE token = user.token();
    switch (step.action) {
    case RunAction::SCAN_MACHINE:
        scanMachine();
        break;
    case RunAction::SCAN_FOLDER:
        scanFolder(getProgramFolder());
        break;
    case RunAction::RECOVER_LEFTOVERS:
        recoverCopyLeftovers(appDataFolder(), fileNameOf(step.item), token);
        break;
    case RunAction::INSTALL:
        installPackage(package(step.item));
        break;
    case RunAction::MAKE_PRODUCT_FOLDER:
        makeProductFolder(appDataFolder(), token);
        break;
    case RunAction::COPY:
        // The folder of the first scan: asked again, it could differ from where the rewrite goes.
        configurations[step.item].rewrite =
            copyConfigurationFile(source(step.item), fileNameOf(step.item), appDataFolder(), token);
        break;
    case RunAction::REWRITE_DEVICES:
        if (rewriteTarget(step.item) != RewriteTarget::NONE) {
            updateDeviceIds(productFolder() + CONFIGURATION_FILES[step.item].fileName, token);
        }
        break;
    case RunAction::SHOW_STATUS:
    case RunAction::WAIT:
    case RunAction::ADVANCE_PROGRESS:
    case RunAction::FILL_PROGRESS:
    case RunAction::CLOSE:
        break;
    }
}

CopyDecision InstallationPlan::examineCopy(int configuration) {
    const ConfigurationCopy copy(source(configuration), appDataFolder(), fileNameOf(configuration),
                                 user.token());
    configurations[configuration].rewrite = copy.rewriteTarget();
    return copy.decision();
}

DatabaseForecast InstallationPlan::deviceForecast(int configuration) const {
    switch (rewriteTarget(configuration)) {
    case RewriteTarget::FRESH_COPY:
        return forecastDeviceIdUpdate(source(configuration));
    case RewriteTarget::FILE_THERE:
        // Once recovery is done: the user's file that a stopped copy moved aside may be the one there.
        return forecastDeviceIdUpdate(
            productFolder() + L"\\" +
            leftovers(configuration).contentAfterRecovery(CONFIGURATION_FILES[configuration].fileName + 1));
    case RewriteTarget::NONE:
        break;
    }
    return DatabaseForecast();
}

bool InstallationPlan::isProductFolderInProfile() const {
    // Windows records the default user profile, and only administrators can move it.
    if (user.found() == DesktopUserFound::NOBODY_SIGNED_IN ||
        user.found() == DesktopUserFound::SEVERAL_USERS) {
        return true;
    }
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
