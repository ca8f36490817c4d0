#include "ObservedRun.h"

#include "Stopwatch.h"

#include "foundation/UniqueResource.h"

#include <psapi.h>

#include <cwchar>

namespace {

constexpr DWORD RUN_TIMEOUT_MS = 120000;
constexpr DWORD WINDOW_POLL_MS = 1;
constexpr DWORD MEMORY_POLL_MS = 5;

struct WindowSearch {
    DWORD processId;
    const WindowSign* sign;
    bool found;
};

BOOL CALLBACK matchChildText(HWND child, LPARAM parameter) {
    WindowSearch* const search = reinterpret_cast<WindowSearch*>(parameter);
    wchar_t text[64] = {};
    // Another process's window: the text comes from the system without a message to the program.
    GetWindowTextW(child, text, 64);
    if (std::wcscmp(text, search->sign->childText) == 0 && IsWindowVisible(child)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    WindowSearch* const search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t title[64] = {};
    if (owner != search->processId || !IsWindowVisible(window) || GetWindowTextW(window, title, 64) == 0 ||
        std::wcscmp(title, search->sign->title) != 0) {
        return TRUE;
    }
    if (search->sign->childText == nullptr) {
        search->found = true;
    } else {
        EnumChildWindows(window, &matchChildText, parameter);
    }
    return search->found ? FALSE : TRUE;
}

bool windowHasShown(DWORD processId, const WindowSign& sign) {
    WindowSearch search{processId, &sign, false};
    EnumWindows(&matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The commit charge: the private bytes, which Windows reports in both members and Wine (from the
// process's anonymous resident memory) only in PagefileUsage. Wine keeps no peak, hence sampling.
uint64_t privateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        return 0;
    }
    return counters.PagefileUsage;
}

} // namespace

ObservedRun observeRun(const wchar_t* program, const wchar_t* arguments, const WindowSign& sign,
                       bool sampleMemory) {
    ObservedRun run = {false, 0, -1.0, -1.0, 0};
    wchar_t folder[MAX_PATH];
    std::wcsncpy(folder, program, MAX_PATH - 1);
    folder[MAX_PATH - 1] = L'\0';
    wchar_t* const lastSeparator = std::wcsrchr(folder, L'\\');
    if (lastSeparator != nullptr) {
        *lastSeparator = L'\0';
    }
    wchar_t commandLine[2 * MAX_PATH];
    std::swprintf(commandLine, 2 * MAX_PATH, L"\"%ls\" %ls", program, arguments);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information = {};
    const Stopwatch stopwatch;
    if (!CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                        &information)) {
        return run;
    }
    run.started = true;
    const UniqueHandle process(information.hProcess);
    const UniqueHandle thread(information.hThread);

    const DWORD pollMs = sampleMemory ? MEMORY_POLL_MS : WINDOW_POLL_MS;
    for (;;) {
        if (WaitForSingleObject(process.get(), run.shownMs < 0 || sampleMemory ? pollMs : RUN_TIMEOUT_MS) !=
            WAIT_TIMEOUT) {
            break;
        }
        if (stopwatch.elapsedMs() > RUN_TIMEOUT_MS) {
            TerminateProcess(process.get(), 1);
            break;
        }
        if (run.shownMs < 0 && windowHasShown(information.dwProcessId, sign)) {
            run.shownMs = stopwatch.elapsedMs();
        }
        if (sampleMemory) {
            const uint64_t current = privateBytes(process.get());
            run.peakPrivateBytes = current > run.peakPrivateBytes ? current : run.peakPrivateBytes;
        }
    }
    run.endedMs = stopwatch.elapsedMs();
    GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}
