#include "Programs.h"

#include "support/TestPaths.h"

#include "foundation/UniqueResource.h"

#include <vector>

KString helperProgram(const wchar_t* name) {
    return KString(HELPER_PROGRAM_FOLDER, KString::REFER_STATIC) + name;
}

KString systemProgram(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return KString(folder, KString::COPY_TEXT) + name;
}

DWORD runProgram(const KString& application, const KString& commandLine, DWORD timeoutMs, HANDLE output,
                 WORD showCommand) {
    STARTUPINFOW startupInfo = {};
    startupInfo.cb = sizeof(startupInfo);
    if (output != nullptr) {
        startupInfo.dwFlags = STARTF_USESTDHANDLES;
        startupInfo.hStdOutput = output;
        startupInfo.hStdError = output;
    }
    if (showCommand != SW_SHOWDEFAULT) {
        startupInfo.dwFlags |= STARTF_USESHOWWINDOW;
        startupInfo.wShowWindow = showCommand;
    }
    PROCESS_INFORMATION processInformation = {};
    std::vector<wchar_t> writable(commandLine.text(), commandLine.text() + commandLine.length() + 1);
    if (!CreateProcessW(application.text(), writable.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                        nullptr, &startupInfo, &processInformation)) {
        return ~0u;
    }
    const UniqueHandle process(processInformation.hProcess);
    const UniqueHandle thread(processInformation.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
        return STILL_ACTIVE;
    }
    DWORD exitCode = ~0u;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}
