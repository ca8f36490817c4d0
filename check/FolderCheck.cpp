#include "FolderCheck.h"

#include "DatabaseCheck.h"
#include "MachineReport.h"
#include "PackageProperties.h"
#include "ReportText.h"
#include "WindowsInstallerState.h"

#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"
#include "installer/InstallationPlan.h"
#include "installer/PackageListing.h"

namespace {

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
    if (facts.isMainProduct()) {
        return plan.isInstalled(product) ? buildText(plan.productBuild())
                                         : L"not installed (no readable \"Build\" value under HKLM\\" +
                                               text(PRODUCT_REGISTRY_KEY) + L")";
    }
    const KString module = plan.programFilesFolder() + facts.modulePath;
    return (plan.isInstalled(product) ? L"installed, " : L"not installed, no file ") + module;
}

void reportMachine(const InstallationPlan& plan, CheckReport& report) {
    report.line(text(L"Installed on this machine"));
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        report.line(L"  " + text(PRODUCTS[product].displayName) + L": " + installedText(plan, product));
    }
    if (isWindowsInstallerBusy()) {
        report.line(
            text(L"  Windows Installer: busy with another installation (Global\\_MSIExecute is held); a "
                 L"package would fail and be passed over"));
        report.needsAttention(WINDOWS_INSTALLER_BUSY);
    }
    if (!reportDesktopUser(plan, report, true)) {
        return;
    }
    KString present;
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        if (plan.isInProductFolder(configuration)) {
            const KString name = bareName(CONFIGURATION_FILES[configuration].fileName);
            present = present.isEmpty() ? name : present + L", " + name;
        }
    }
    report.line(L"  Configuration files there: " + (present.isEmpty() ? text(L"none") : present));
    reportLeftovers(plan, report);
}

const wchar_t* passedOverText(PackageTreatment treatment) {
    switch (treatment) {
    case PackageTreatment::HIGHER_VERSION:
        return L": not used, a higher version";
    case PackageTreatment::FOLDER:
        return L": not used, a folder";
    case PackageTreatment::UNKNOWN_VERSION:
        return L": not used, a version the installer does not know";
    case PackageTreatment::NO_PRODUCT:
        return L": not recognised, the name of no product's package";
    case PackageTreatment::CHOSEN:
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
    PackageReport(const InstallationPlan& plan, CheckReport& report)
        : plan(plan), listing(plan), report(report) {}

    bool hasUnrecognised() const { return listing.unrecognised().first() != nullptr; }

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
        passedOver(listing.candidates(product), !plan.isInstalled(product), PACKAGE_PASSED_OVER);
    }

    void unrecognised() { passedOver(listing.unrecognised(), true, PACKAGE_NOT_RECOGNISED); }

private:
    void passedOver(const PackageCandidates& candidates, bool needsAttention, CheckAttention reason) {
        for (const PackageCandidates::Entry* candidate = candidates.first(); candidate != nullptr;
             candidate = candidate->next) {
            if (candidate->treatment == PackageTreatment::CHOSEN) {
                continue;
            }
            report.line(L"    " + candidate->name + passedOverText(candidate->treatment));
            if (candidate->treatment != PackageTreatment::FOLDER) {
                reportPackageProperties(reader, plan.programFolder() + L"\\" + candidate->name, L"      ",
                                        report);
            }
            if (needsAttention) {
                report.needsAttention(reason);
            }
        }
    }

    const InstallationPlan& plan;
    const PackageListing listing;
    CheckReport& report;
    const PackagePropertyReader reader;
};

void reportPackages(const InstallationPlan& plan, CheckReport& report) {
    report.line(text(L"Packages"));
    PackageReport packages(plan, report);
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        packages.product(product);
    }
    if (packages.hasUnrecognised()) {
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
        return L": would not be copied, the product folder is a link, not where its name says, or cannot be "
               L"opened";
    case CopyDecision::SAME_FILE:
        return L": would not be copied, the file there is this file itself";
    case CopyDecision::READ_ONLY_DESTINATION:
        return L": would not be copied, the file there is read-only: it is neither replaced nor rewritten";
    case CopyDecision::DESTINATION_KEPT:
        return L": would not be copied, the file there can be neither replaced nor safely written over";
    case CopyDecision::COPY_NEW:
    case CopyDecision::REPLACE:
    case CopyDecision::OVERWRITE:
        break;
    }
    return nullptr;
}

void reportConfiguration(InstallationPlan& plan, CheckReport& report) {
    report.line(text(L"Configuration files"));
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        const ConfigurationFile& file = CONFIGURATION_FILES[configuration];
        const KString name = L"  " + bareName(file.fileName);
        if (!plan.isOffered(configuration)) {
            report.line(name + L": not in the folder");
            continue;
        }
        const wchar_t* const notCopied = notCopiedText(plan.examineCopy(configuration));
        if (notCopied != nullptr) {
            report.line(name + notCopied);
            report.needsAttention(CONFIGURATION_NOT_COPIED);
        }
        if (!file.isDatabase) {
            if (notCopied == nullptr) {
                report.line(name + L": would be copied");
            }
            continue;
        }
        switch (plan.rewriteTarget(configuration)) {
        case RewriteTarget::FRESH_COPY:
            report.line(name + L": would be copied, and its devices rewritten:");
            break;
        case RewriteTarget::FILE_THERE:
            report.line(L"    The " + bareName(file.fileName) +
                        L" that the copy leaves in the product folder would have its devices rewritten:");
            break;
        case RewriteTarget::NONE:
            continue;
        }
        reportDeviceForecast(plan.deviceForecast(configuration), report);
    }
}

// Seconds with one decimal.
KString secondsText(DWORD milliseconds) {
    return KString(static_cast<int>(milliseconds / 1000)) + L"." +
           KString(static_cast<int>(milliseconds % 1000 / 100));
}

// Prints the run's steps: a line for each text the window shows, with what follows it until the next.
class RunReport : public RunStepVisitor {
public:
    RunReport(const InstallationPlan& plan, CheckReport& report) : plan(plan), report(report) {}

    void visit(const RunStep& step) override {
        switch (step.action) {
        case RunAction::SHOW_STATUS:
            finishLine();
            current = L"  " + quoted(step.status.text());
            break;
        case RunAction::WAIT:
            waitedMs += step.waitMs;
            add(L"wait " + secondsText(step.waitMs) + L" s");
            break;
        case RunAction::ADVANCE_PROGRESS:
            add(L"the bar at " + KString(step.percent) + L"%");
            break;
        case RunAction::FILL_PROGRESS:
            add(text(L"the bar filled"));
            break;
        case RunAction::CLOSE:
            add(text(L"the window closes"));
            finishLine();
            break;
        case RunAction::SCAN_MACHINE:
            add(text(L"this machine is scanned"));
            break;
        case RunAction::SCAN_FOLDER:
            add(text(L"this folder is scanned"));
            break;
        case RunAction::RECOVER_LEFTOVERS:
            add(L"what was left beside " + fileName(step.item) + L" is put right");
            break;
        case RunAction::INSTALL:
            add(KString(plan.package(step.item).text() + plan.programFolder().length() + 1,
                        KString::COPY_TEXT) +
                L" is installed");
            break;
        case RunAction::MAKE_PRODUCT_FOLDER:
            add(text(L"the product folder is made"));
            break;
        case RunAction::COPY:
            add(fileName(step.item) + (plan.rewriteTarget(step.item) == RewriteTarget::FRESH_COPY
                                           ? L" is copied"
                                           : L" is not copied"));
            break;
        case RunAction::REWRITE_DEVICES:
            add(rewriteText(step.item));
            break;
        }
    }

    DWORD leastWaitMs() const { return waitedMs; }

private:
    static KString fileName(int configuration) {
        return bareName(CONFIGURATION_FILES[configuration].fileName);
    }

    KString rewriteText(int configuration) const {
        switch (plan.rewriteTarget(configuration)) {
        case RewriteTarget::FRESH_COPY:
            return text(L"the copy's devices are rewritten");
        case RewriteTarget::FILE_THERE:
            return L"the devices of the " + fileName(configuration) + L" left there are rewritten";
        case RewriteTarget::NONE:
            break;
        }
        return text(L"nothing is rewritten");
    }

    void add(const KString& effect) {
        current = current + (hasEffect ? L", " : L": ") + effect;
        hasEffect = true;
    }

    void finishLine() {
        if (!current.isEmpty()) {
            report.line(current);
        }
        current = KString();
        hasEffect = false;
    }

    const InstallationPlan& plan;
    CheckReport& report;
    KString current;
    bool hasEffect = false;
    DWORD waitedMs = 0;
};

void reportRun(InstallationPlan& plan, CheckReport& report) {
    report.line(text(L"Run"));
    RunReport run(plan, report);
    plan.forEachStep(run);
    const int steps = plan.stepTotal();
    const DWORD leastMs = run.leastWaitMs();
    report.line(L"  " + KString(steps) + (steps == 1 ? L" step; at least " : L" steps; at least ") +
                secondsText(leastMs) +
                L" seconds of fixed waits, and each installation takes its own time besides");
}

} // namespace

int checkFolder(const KString& folder, CheckReport& report, const SessionQueries* sessions) {
    InstallationPlan plan(sessions);
    if (!beginReport(L"Pellmont pre-flight check of ", folder, plan, report)) {
        return CHECK_UNREADABLE;
    }
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
