#include "TestShell.h"

#include "Programs.h"

#include <cwchar>
#include <string>

TestShell::TestShell() {
    wchar_t readyName[64];
    wchar_t quitName[64];
    static LONG counter = 0;
    const LONG number = InterlockedIncrement(&counter);
    swprintf(readyName, 64, L"pellmont-shell-ready-%lu-%ld", GetCurrentProcessId(), number);
    swprintf(quitName, 64, L"pellmont-shell-quit-%lu-%ld", GetCurrentProcessId(), number);
    readyEvent.reset(CreateEventW(nullptr, TRUE, FALSE, readyName));
    quitEvent.reset(CreateEventW(nullptr, TRUE, FALSE, quitName));
    if (!readyEvent || !quitEvent) {
        return;
    }
    const KString application = helperProgram(L"\\installer_test_shell.exe");
    std::wstring commandLine = L"\"";
    commandLine += application.text();
    commandLine += L"\" ";
    commandLine += readyName;
    commandLine += L" ";
    commandLine += quitName;
    STARTUPINFOW startupInfo = {};
    startupInfo.cb = sizeof(startupInfo);
    PROCESS_INFORMATION processInformation = {};
    if (!CreateProcessW(application.text(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startupInfo, &processInformation)) {
        return;
    }
    process.reset(processInformation.hProcess);
    const UniqueHandle thread(processInformation.hThread);
    const HANDLE waited[] = {readyEvent.get(), process.get()};
    running = WaitForMultipleObjects(2, waited, FALSE, PROCESS_TIMEOUT_MS) == WAIT_OBJECT_0;
}

TestShell::~TestShell() {
    stop();
}

DWORD TestShell::processId() const {
    return process ? GetProcessId(process.get()) : 0;
}

bool TestShell::stop() {
    if (!process) {
        return true;
    }
    SetEvent(quitEvent.get());
    const bool ended = WaitForSingleObject(process.get(), PROCESS_TIMEOUT_MS) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
    }
    process.reset();
    running = false;
    return ended;
}
