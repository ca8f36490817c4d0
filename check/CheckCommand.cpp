#include "CheckCommand.h"

#include "CheckReport.h"
#include "FolderCheck.h"
#include "FolderVerification.h"
#include "PackageProperties.h"
#include "ReportText.h"
#include "WindowsInstallerState.h"

#include "foundation/FolderPath.h"
#include "foundation/KString.h"
#include "installer/InstallationPlan.h"
#include "installer/PackageDiscovery.h"

#include <objbase.h>

namespace {

constexpr const wchar_t* USAGE[] = {
    L"Usage: PellmontCheck [folder]",
    L"       PellmontCheck /verify [folder]",
    L"       PellmontCheck /waitforinstaller seconds",
    L"       PellmontCheck /productcodes [folder]",
    L"Reports what Pellmont.exe would do on this machine if it were started in the folder (by default",
    L"this program's own folder), and why something would not take effect. Changes nothing.",
    L"/verify, run after Pellmont.exe from the same folder and in the same context: reports whether",
    L"everything the folder offers took effect. Changes nothing.",
    L"/waitforinstaller: waits, at most that long, while another installation holds the Windows",
    L"Installer; exit code 0 once it is free, 1618 when it is busy still.",
    L"/productcodes: the ProductCode of the package the installer uses for each product, one a line;",
    L"a package that cannot be read gives a remark, a line beginning with \";\", and exit code 1.",
    L"Exit code 0: everything offered would take effect (took effect, with /verify); 1: something needs",
    L"attention, as the last line says; 2: the folder cannot be read, or the command line is not",
    L"understood.",
};

int printUsage(CheckReport& report, int exitCode) {
    for (const wchar_t* line : USAGE) {
        report.line(text(line));
    }
    return exitCode;
}

bool isOption(const wchar_t* argument, const wchar_t* option) {
    return CompareStringOrdinal(argument, -1, option, -1, TRUE) == CSTR_EQUAL;
}

// Batch files pass their own folder as "%~dp0", which ends in a separator: the separator then
// escapes the closing quote, and the argument reaches the program ending in a quote where the
// separator was, followed by the blanks that cmd leaves where it took a redirection away.
KString withoutStrayQuote(const wchar_t* argument) {
    int length = lstrlenW(argument);
    while (length > 0 && (argument[length - 1] == L' ' || argument[length - 1] == L'\t')) {
        --length;
    }
    if (length == 0 || argument[length - 1] != L'"') {
        return KString(argument, KString::COPY_TEXT, length);
    }
    return KString(argument, KString::COPY_TEXT, length - 1) + L"\\";
}

// The folder an argument names, else the program's own.
KString folderOf(const wchar_t* argument) {
    return argument != nullptr ? normalisedFolderPath(withoutStrayQuote(argument)) : getProgramFolder();
}

// For an uninstallation of what the folder installs: a line for each, the ProductCode first.
int listProductCodes(const KString& folder, CheckReport& report) {
    InstallationPlan plan;
    plan.scanFolder(folder);
    const PackagePropertyReader reader;
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        if (plan.package(product).isEmpty()) {
            continue;
        }
        const PackageProperties properties = reader.read(plan.package(product));
        if (properties.readable) {
            report.line(properties.productCode + L" " + PRODUCTS[product].displayName);
        } else {
            // A remark, which cmd's "for /f" passes over.
            report.line(L"; cannot be read as a Windows Installer package: " + plan.package(product));
            report.needsAttention(PACKAGE_UNREADABLE);
        }
    }
    return report.hasAttention() ? CHECK_ATTENTION : CHECK_READY;
}

} // namespace

int runCheckCommand(int argumentCount, const wchar_t* const* arguments, HANDLE output,
                    const SessionQueries* sessions) {
    CheckReport report(output);
    const wchar_t* const first = argumentCount > 1 ? arguments[1] : nullptr;
    const bool hasOption = first != nullptr && first[0] == L'/';
    const wchar_t* const operand =
        argumentCount > (hasOption ? 2 : 1) ? arguments[hasOption ? 2 : 1] : nullptr;
    if (argumentCount > (hasOption ? 3 : 2)) {
        return printUsage(report, CHECK_UNREADABLE);
    }
    if (hasOption && isOption(first, L"/?")) {
        return printUsage(report, operand == nullptr ? CHECK_READY : CHECK_UNREADABLE);
    }
    if (hasOption && isOption(first, L"/waitforinstaller")) {
        wchar_t* end = nullptr;
        const unsigned long seconds = operand != nullptr ? wcstoul(operand, &end, 10) : 0;
        return operand == nullptr || *end != L'\0' ? printUsage(report, CHECK_UNREADABLE)
                                                   : waitForWindowsInstaller(seconds, report);
    }
    if (hasOption && isOption(first, L"/productcodes")) {
        return listProductCodes(folderOf(operand), report);
    }
    const bool verifies = hasOption && isOption(first, L"/verify");
    if (hasOption && !verifies) {
        return printUsage(report, CHECK_UNREADABLE);
    }
    // The endpoint lookups of the database check create COM objects on this thread.
    CoInitialize(nullptr);
    const KString folder = folderOf(operand);
    const int exitCode =
        verifies ? verifyFolder(folder, report, sessions) : checkFolder(folder, report, sessions);
    CoUninitialize();
    return exitCode;
}
