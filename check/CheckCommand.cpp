#include "CheckCommand.h"

#include "CheckReport.h"
#include "FolderCheck.h"

#include "foundation/FolderPath.h"
#include "foundation/KString.h"
#include "installer/PackageDiscovery.h"

#include <windows.h>

#include <objbase.h>

namespace {

constexpr const wchar_t* USAGE[] = {
    L"Usage: PellmontCheck [folder]",
    L"Reports what Pellmont.exe would do on this machine if it were started in the folder (by default",
    L"this program's own folder), and why something would not take effect. Changes nothing.",
    L"Exit code 0: everything offered would take effect; 1: something needs attention, as the last",
    L"line says; 2: the folder cannot be read, or the command line is not understood.",
};

int printUsage(CheckReport& report, int exitCode) {
    for (const wchar_t* line : USAGE) {
        report.line(KString(line, KString::REFER_STATIC));
    }
    return exitCode;
}

// Batch files pass their own folder as "%~dp0", which ends in a separator: the separator then
// escapes the closing quote, and the argument reaches the program ending in a quote where the
// separator was.
KString withoutStrayQuote(const wchar_t* argument) {
    const int length = lstrlenW(argument);
    if (length == 0 || argument[length - 1] != L'"') {
        return KString(argument, KString::COPY_TEXT, length);
    }
    return KString(argument, KString::COPY_TEXT, length - 1) + L"\\";
}

} // namespace

int runCheckCommand(int argumentCount, const wchar_t* const* arguments, HANDLE output,
                    const SessionQueries* sessions) {
    CheckReport report(output);
    if (argumentCount > 2) {
        return printUsage(report, CHECK_UNREADABLE);
    }
    if (argumentCount == 2 && lstrcmpW(arguments[1], L"/?") == 0) {
        return printUsage(report, CHECK_READY);
    }
    // The folder of the one argument, else the program's own.
    const KString folder =
        argumentCount == 2 ? normalisedFolderPath(withoutStrayQuote(arguments[1])) : getProgramFolder();
    // The endpoint lookups of the database check create COM objects on this thread.
    CoInitialize(nullptr);
    const int exitCode = checkFolder(folder, report, sessions);
    CoUninitialize();
    return exitCode;
}
