// The pre-flight check's entry: the folder from the one argument or the program's own, the report
// on standard output, and its exit code.

#include "CheckReport.h"
#include "FolderCheck.h"

#include "foundation/KString.h"
#include "foundation/SystemDllSearch.h"
#include "installer/PackageDiscovery.h"

#include <windows.h>

#include <objbase.h>

#include <cstdlib>

namespace {

// The folder as a full path without a trailing separator, so that names join to it as they do to the
// program folder.
KString fullFolderPath(const wchar_t* argument) {
    const DWORD units = GetFullPathNameW(argument, 0, nullptr, nullptr);
    wchar_t* const buffer =
        units == 0 ? nullptr : static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t)));
    if (buffer == nullptr) {
        return KString(argument, KString::COPY_TEXT);
    }
    DWORD length = GetFullPathNameW(argument, units, buffer, nullptr);
    if (length == 0 || length >= units) {
        std::free(buffer);
        return KString(argument, KString::COPY_TEXT);
    }
    while (length > 0 && buffer[length - 1] == L'\\') {
        buffer[--length] = L'\0';
    }
    return KString(buffer, KString::ADOPT_BUFFER);
}

} // namespace

int wmain(int argumentCount, wchar_t** arguments) {
    restrictDllSearchToSystem();
    CheckReport report(GetStdHandle(STD_OUTPUT_HANDLE));
    if (argumentCount > 2) {
        report.line(KString(L"Usage: PellmontCheck [folder]", KString::REFER_STATIC));
        return CHECK_UNREADABLE;
    }
    const KString folder = argumentCount == 2 ? fullFolderPath(arguments[1]) : getProgramFolder();
    // The endpoint lookups of the database check create COM objects on this thread.
    CoInitialize(nullptr);
    const int exitCode = checkFolder(folder, report);
    CoUninitialize();
    return exitCode;
}
