#include "FolderCheck.h"

#include "DatabaseCheck.h"
#include "PackageProperties.h"
#include "RunningAccount.h"

#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"
#include "installer/InstallationPlan.h"

namespace {

KString text(const wchar_t* literal) {
    return KString(literal, KString::REFER_STATIC);
}

// A name of the tables without its leading separator.
KString bareName(const wchar_t* name) {
    return text(name + 1);
}

bool isReadableFolder(const KString& folder) {
    if (!KFile::isFolder(folder)) {
        return false;
    }
    WIN32_FIND_DATAW found;
    const UniqueFindHandle listing(FindFirstFileW((folder + L"\\*").text(), &found));
    return listing.isValid();
}

// KString's decimals are signed; a Build value is not.
KString unsignedText(DWORD value) {
    constexpr DWORD DECIMAL = 10;
    return value < DECIMAL
               ? KString(static_cast<int>(value))
               : KString(static_cast<int>(value / DECIMAL)) + KString(static_cast<int>(value % DECIMAL));
}

KString buildText(const ProductBuild& build) {
    if (build.type == REG_DWORD) {
        return L"installed, Build " + unsignedText(build.data);
    }
    return L"installed, Build of registry type " + KString(static_cast<int>(build.type));
}

KString installedText(const InstallationPlan& plan, int product) {
    const Product& facts = PRODUCTS[product];
    if (facts.modulePath == nullptr) {
        return plan.isInstalled(product) ? buildText(plan.productBuild())
                                         : L"not installed (no readable \"Build\" value under HKLM\\" +
                                               text(PRODUCT_REGISTRY_KEY) + L")";
    }
    const KString module = plan.programFilesFolder() + facts.modulePath;
    return (plan.isInstalled(product) ? L"installed, " : L"not installed, no file ") + module;
}

const wchar_t* desktopUserText(DesktopUserSource source) {
    switch (source) {
    case DesktopUserSource::SHELL_OWNER:
        return L"  Desktop user: the owner of the desktop shell";
    case DesktopUserSource::CONSOLE_SESSION:
        return L"  Desktop user: the user signed in at the console (no desktop shell in this session)";
    case DesktopUserSource::RUNNING_ACCOUNT:
        break;
    }
    return L"  Desktop user: none found, so the running account's own folder is used";
}

void reportMachine(const InstallationPlan& plan, CheckReport& report) {
    report.line(text(L"Installed on this machine"));
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        report.line(L"  " + text(PRODUCTS[product].displayName) + L": " + installedText(plan, product));
    }
    const DesktopUserSource source = plan.desktopUser().source();
    report.line(text(desktopUserText(source)));
    // Fleet tools run the installer so: nobody signed in, or a session the system cannot tell.
    if (source == DesktopUserSource::RUNNING_ACCOUNT && isSystemAccount()) {
        report.needsAttention(SYSTEM_ACCOUNT_WITHOUT_USER);
    }
    if (plan.appDataFolder().isEmpty()) {
        report.line(text(L"  Product folder: the desktop user's AppData folder cannot be determined"));
        return;
    }
    report.line(L"  Product folder: " + plan.productFolder());
    if (!plan.isProductFolderInProfile()) {
        report.line(L"  Outside the desktop user's profile folder (links followed): " + plan.productFolder() +
                    L"; on Windows the installer writes there only what that user could write");
        report.needsAttention(PRODUCT_FOLDER_OUTSIDE_PROFILE);
    }
    KString present;
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        if (plan.isInProductFolder(configuration)) {
            const KString name = bareName(CONFIGURATION_FILES[configuration].fileName);
            present = present.isEmpty() ? name : present + L", " + name;
        }
    }
    report.line(L"  Configuration files there: " + (present.isEmpty() ? text(L"none") : present));
}

const wchar_t* passedOverText(PackageCandidate treatment) {
    switch (treatment) {
    case PackageCandidate::HIGHER_VERSION:
        return L": not used, a higher version";
    case PackageCandidate::FOLDER:
        return L": not used, a folder";
    case PackageCandidate::UNKNOWN_VERSION:
        return L": not used, a version the installer does not know";
    case PackageCandidate::NO_PRODUCT:
        return L": not recognised, the name of no product's package";
    case PackageCandidate::CHOSEN:
        break;
    }
    return L": used";
}

// Prints what a package file says of itself, under the line that names it; false when it cannot be
// read as a Windows Installer package.
bool reportPackageProperties(const PackagePropertyReader& reader, const KString& path, const wchar_t* indent,
                             CheckReport& report) {
    if (!reader.isAvailable()) {
        return true;
    }
    const PackageProperties properties = reader.read(path);
    if (!properties.readable) {
        report.line(indent + text(L"cannot be read as a Windows Installer package"));
        return false;
    }
    report.line(indent + (L"ProductCode " + properties.productCode) + L", ProductVersion " +
                properties.productVersion);
    return true;
}

class PackageReport {
public:
    PackageReport(const InstallationPlan& plan, CheckReport& report) : plan(plan), report(report) {}

    void product(int product) {
        const KString name = L"  " + text(PRODUCTS[product].displayName);
        const KString& package = plan.package(product);
        if (plan.isInstalled(product)) {
            report.line(name + L": installed already, no package would be used");
        } else if (package.isEmpty()) {
            report.line(name + L": no package offered; it would not be installed");
        } else {
            // The folder heads the report; the package's own name is what the operator put there.
            report.line(name + L": would be installed from " +
                        (package.text() + plan.programFolder().length() + 1));
            if (!reportPackageProperties(reader, package, L"    ", report)) {
                report.needsAttention(PACKAGE_UNREADABLE);
            }
        }
        // For an installed product no package is used anyway.
        passedOver(plan.candidates(product), !plan.isInstalled(product), PACKAGE_PASSED_OVER);
    }

    void unrecognised() { passedOver(plan.unrecognisedPackages(), true, PACKAGE_NOT_RECOGNISED); }

private:
    void passedOver(const PackageCandidates& candidates, bool needsAttention, CheckAttention reason) {
        for (const PackageCandidates::Entry* candidate = candidates.first(); candidate != nullptr;
             candidate = candidate->next) {
            if (candidate->treatment == PackageCandidate::CHOSEN) {
                continue;
            }
            report.line(L"    " + candidate->name + passedOverText(candidate->treatment));
            if (candidate->treatment != PackageCandidate::FOLDER) {
                reportPackageProperties(reader, plan.programFolder() + L"\\" + candidate->name, L"      ",
                                        report);
            }
            if (needsAttention) {
                report.needsAttention(reason);
            }
        }
    }

    const InstallationPlan& plan;
    CheckReport& report;
    const PackagePropertyReader reader;
};

void reportPackages(const InstallationPlan& plan, CheckReport& report) {
    report.line(text(L"Packages"));
    PackageReport packages(plan, report);
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        packages.product(product);
    }
    if (plan.unrecognisedPackages().first() != nullptr) {
        report.line(text(L"  Other packages"));
        packages.unrecognised();
    }
}

// Null when the copy would be made.
const wchar_t* notCopiedText(CopyDecision decision) {
    switch (decision) {
    case CopyDecision::NO_APPDATA_FOLDER:
        return L": would not be copied, the product folder is unknown";
    case CopyDecision::LINKED_SOURCE:
        return L": would not be copied, it is a link or has other links here, or cannot be read";
    case CopyDecision::NO_USER_RIGHTS:
        return L": would not be copied, the desktop user's rights cannot be taken to write there";
    case CopyDecision::NO_PRODUCT_FOLDER:
        return L": would not be copied, the product folder cannot be made where it belongs";
    case CopyDecision::FOLDER_REDIRECTED:
        return L": would not be copied, the product folder is a link or not where its name says";
    case CopyDecision::SAME_FILE:
        return L": would not be copied, the file there is this file itself";
    case CopyDecision::DESTINATION_KEPT:
        return L": would not be copied, the file there can be neither removed nor safely written over";
    case CopyDecision::COPY_NEW:
    case CopyDecision::REPLACE:
    case CopyDecision::OVERWRITE:
        break;
    }
    return nullptr;
}

void reportConfiguration(const InstallationPlan& plan, CheckReport& report) {
    report.line(text(L"Configuration files"));
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        const ConfigurationFile& file = CONFIGURATION_FILES[configuration];
        const KString name = L"  " + bareName(file.fileName);
        if (!plan.copies(configuration)) {
            report.line(name + L": not in the folder");
            continue;
        }
        const wchar_t* const notCopied = notCopiedText(plan.copyDecision(configuration));
        if (notCopied != nullptr) {
            report.line(name + notCopied);
            report.needsAttention(CONFIGURATION_NOT_COPIED);
            continue;
        }
        if (!file.isDatabase) {
            report.line(name + L": would be copied");
            continue;
        }
        report.line(name + L": would be copied, and its devices rewritten:");
        reportDeviceForecast(plan.deviceForecast(configuration), report);
    }
}

void reportRun(const InstallationPlan& plan, CheckReport& report) {
    const int steps = plan.stepTotal();
    const DWORD leastMs = plan.leastWaitMs();
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
    InstallationPlan plan;
    plan.scanMachine();
    plan.scanFolder(folder);
    plan.listPackageCandidates();
    report.line(KString());
    reportMachine(plan, report);
    report.line(KString());
    reportPackages(plan, report);
    report.line(KString());
    reportConfiguration(plan, report);
    report.line(KString());
    reportRun(plan, report);
    report.line(KString());
    if (plan.folderCount() == 0) {
        report.needsAttention(NOTHING_OFFERED);
    }
    return report.finish();
}
