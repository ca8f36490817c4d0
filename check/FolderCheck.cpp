#include "FolderCheck.h"

#include "DatabaseCheck.h"

#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"
#include "installer/ComponentDetection.h"
#include "installer/InstallationSteps.h"
#include "installer/PackageCandidates.h"

namespace {

constexpr const wchar_t* PRODUCT_NAMES[PRODUCT_COUNT] = {L"Veltrano Pro", L"Clockline Plug-In",
                                                         L"Driftcast Plug-In", L"Panelgate Plug-In"};

KString text(const wchar_t* literal) {
    return KString(literal, KString::REFER_STATIC);
}

// A configuration file's name without its leading separator.
const wchar_t* bareName(const wchar_t* fileName) {
    return fileName + 1;
}

bool isReadableFolder(const KString& folder) {
    const DWORD attributes = GetFileAttributesW(folder.text());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    WIN32_FIND_DATAW found;
    const UniqueFindHandle listing(FindFirstFileW((folder + L"\\*").text(), &found));
    return listing.isValid();
}

KString buildText(DWORD type, DWORD data) {
    if (type == REG_DWORD) {
        return L"installed, Build " + KString(static_cast<int>(data));
    }
    return L"installed, Build of registry type " + KString(static_cast<int>(type));
}

struct Machine {
    bool installed[PRODUCT_COUNT];
    KString appDataFolder;
    KString productFolder;
};

Machine reportMachine(CheckReport& report) {
    Machine machine;
    report.line(text(L"Installed on this machine"));
    DWORD type = REG_NONE;
    DWORD data = 0;
    machine.installed[0] = readProductBuild(type, data);
    report.line(L"  " + text(PRODUCT_NAMES[0]) + L": " +
                (machine.installed[0] ? buildText(type, data)
                                      : L"not installed (no readable \"Build\" value under HKLM\\" +
                                            text(PRODUCT_REGISTRY_KEY) + L")"));
    const KString programFilesFolder = getProgramFilesFolder();
    for (int plugin = 0; plugin < PRODUCT_COUNT - 1; ++plugin) {
        const KString module = programFilesFolder + PLUGIN_MODULE_PATHS[plugin];
        machine.installed[plugin + 1] = KFile::exists(module);
        report.line(L"  " + text(PRODUCT_NAMES[plugin + 1]) +
                    (machine.installed[plugin + 1] ? L": installed, " + module
                                                   : L": not installed, no file " + module));
    }
    machine.appDataFolder = getInteractiveUserAppDataFolder();
    machine.productFolder = machine.appDataFolder + PRODUCT_FOLDER_NAME;
    if (machine.appDataFolder.isEmpty()) {
        report.line(text(L"  Product folder: the desktop user's AppData folder cannot be determined"));
        return machine;
    }
    report.line(L"  Product folder: " + machine.productFolder);
    KString present;
    for (const ConfigurationStep& configuration : CONFIGURATION_STEPS) {
        if (KFile::exists(machine.productFolder + configuration.fileName)) {
            const KString name = text(bareName(configuration.fileName));
            present = present.isEmpty() ? name : present + L", " + name;
        }
    }
    report.line(L"  Configuration files there: " + (present.isEmpty() ? text(L"none") : present));
    return machine;
}

const wchar_t* passedOverText(PackageCandidate treatment) {
    switch (treatment) {
    case PackageCandidate::HIGHER_VERSION:
        return L": not used, a higher version";
    case PackageCandidate::FOLDER:
        return L": not used, a folder";
    case PackageCandidate::UNKNOWN_VERSION:
        return L": not used, a version the installer does not know";
    case PackageCandidate::CHOSEN:
        break;
    }
    return L": used";
}

// Every candidate but the one discovery returns, with the reason it is passed over.
class PassedOverPackages : public PackageCandidateSink {
public:
    PassedOverPackages(CheckReport& report, bool isInstalled) : report(report), isInstalled(isInstalled) {}

    void candidate(const KString& name, PackageCandidate treatment) override {
        if (treatment == PackageCandidate::CHOSEN) {
            return;
        }
        report.line(L"    " + name + passedOverText(treatment));
        // For an installed product no package is used anyway.
        if (!isInstalled) {
            report.needsAttention(PACKAGE_PASSED_OVER);
        }
    }

private:
    CheckReport& report;
    const bool isInstalled;
};

// The number of products that would be installed.
int reportPackages(const KString& folder, const Machine& machine, CheckReport& report) {
    report.line(text(L"Packages"));
    int installs = 0;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        const KString package = PRODUCT_STEPS[product].findPackage(folder);
        const KString name = text(PRODUCT_NAMES[product]);
        if (machine.installed[product]) {
            report.line(L"  " + name + L": installed already, no package would be used");
        } else if (package.isEmpty()) {
            report.line(L"  " + name + L": no package offered; it would not be installed");
        } else {
            // The folder heads the report; the package's own name is what the operator put there.
            report.line(L"  " + name + L": would be installed from " +
                        (package.text() + folder.length() + 1));
            ++installs;
        }
        PassedOverPackages passedOver(report, machine.installed[product]);
        listPackageCandidates(folder, product, passedOver);
    }
    return installs;
}

struct Copies {
    int databases = 0;
    int others = 0;
};

Copies reportConfiguration(const KString& folder, const Machine& machine, CheckReport& report) {
    report.line(text(L"Configuration files"));
    Copies copies;
    for (const ConfigurationStep& configuration : CONFIGURATION_STEPS) {
        const KString source = folder + configuration.fileName;
        const KString name = L"  " + text(bareName(configuration.fileName));
        if (!KFile::exists(source)) {
            report.line(name + L": not in the folder");
            continue;
        }
        ++(configuration.isDatabase ? copies.databases : copies.others);
        // The run counts the step all the same, but copies nothing without the user's folder.
        if (machine.appDataFolder.isEmpty()) {
            report.line(name + L": would not be copied, the product folder is unknown");
            report.needsAttention(CONFIGURATION_NOT_COPIED);
            continue;
        }
        report.line(name + (configuration.isDatabase ? L": would be copied, and its devices rewritten:"
                                                     : L": would be copied"));
        if (configuration.isDatabase) {
            checkDatabase(source, report);
        }
    }
    return copies;
}

void reportRun(int installs, const Copies& copies, CheckReport& report) {
    const int steps = installs + copies.databases + copies.others;
    // A database step waits after the copy and after the rewrite.
    const DWORD leastMs = FIXED_WAIT_MS + installs * INSTALL_WAIT_MS + copies.databases * 2 * COPY_WAIT_MS +
                          copies.others * COPY_WAIT_MS;
    report.line(text(L"Run"));
    report.line(L"  " + KString(steps) + (steps == 1 ? L" step; at least " : L" steps; at least ") +
                KString(static_cast<int>(leastMs / 1000)) + L"." +
                KString(static_cast<int>(leastMs % 1000 / 100)) +
                L" seconds of fixed waits, and each installation takes its own time besides");
}

} // namespace

int checkFolder(const KString& folder, CheckReport& report) {
    report.line(L"Pellmont pre-flight check of " + folder);
    if (!isReadableFolder(folder)) {
        report.line(text(L"The folder cannot be read."));
        report.line(text(L"Result: exit code 2, the folder cannot be read"));
        return CHECK_UNREADABLE;
    }
    report.line(KString());
    const Machine machine = reportMachine(report);
    report.line(KString());
    const int installs = reportPackages(folder, machine, report);
    report.line(KString());
    const Copies copies = reportConfiguration(folder, machine, report);
    report.line(KString());
    reportRun(installs, copies, report);
    report.line(KString());
    return report.finish();
}
