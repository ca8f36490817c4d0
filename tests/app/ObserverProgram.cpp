// Follows the installer window of a process and prints every change it shows, one line each:
// "<ms> window <x> <y> <width> <height>" once, then "<ms> status <text>" or "<ms> progress <value>",
// then "<ms> closed". Used by the demo; a process id of 0 follows the first installer window to appear.
//   InstallerObserver.exe PROCESS_ID OUTPUT_FILE [TIMEOUT_MS]

#include "InstallerObserver.h"

#include <cstdio>
#include <cwchar>

int wmain(int argumentCount, wchar_t** arguments) {
    if (argumentCount < 3) {
        std::fwprintf(stderr, L"usage: InstallerObserver PROCESS_ID OUTPUT_FILE [TIMEOUT_MS]\n");
        return 2;
    }
    const DWORD processId = static_cast<DWORD>(std::wcstoul(arguments[1], nullptr, 10));
    const DWORD timeoutMs =
        argumentCount > 3 ? static_cast<DWORD>(std::wcstoul(arguments[3], nullptr, 10)) : 300000;
    FILE* const output = _wfopen(arguments[2], L"w, ccs=UTF-8");
    if (output == nullptr) {
        return 2;
    }
    InstallerObserver observer;
    bool placed = false;
    const bool followed = observer.follow(processId, timeoutMs, [&](HWND, const ObservedChange& change) {
        if (!placed) {
            placed = true;
            const RECT& rect = observer.geometry().windowRect;
            std::fwprintf(output, L"%lu window %ld %ld %ld %ld\n", change.atMs, rect.left, rect.top,
                          rect.right - rect.left, rect.bottom - rect.top);
        }
        if (change.isProgress) {
            std::fwprintf(output, L"%lu progress %d\n", change.atMs, change.progress);
        } else {
            std::fwprintf(output, L"%lu status %ls\n", change.atMs, change.status.c_str());
        }
        std::fflush(output);
    });
    if (followed) {
        std::fwprintf(output, L"%lu closed\n", observer.timeClosed().atMs);
    }
    std::fclose(output);
    return followed ? 0 : 1;
}
