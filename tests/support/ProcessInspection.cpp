#include "ProcessInspection.h"

#include "foundation/UniqueResource.h"

#include <cwchar>
#include <tlhelp32.h>
#include <vector>
#include <winternl.h>

DWORD findChildProcess(DWORD parentId, const wchar_t* exeName) {
    const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return 0;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == parentId && _wcsicmp(entry.szExeFile, exeName) == 0) {
            return entry.th32ProcessID;
        }
    }
    return 0;
}

bool readCommandLine(HANDLE process, std::wstring& commandLine) {
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG returned = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), &returned) != 0 ||
        basic.PebBaseAddress == nullptr) {
        return false;
    }
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr) ||
        peb.ProcessParameters == nullptr ||
        !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters), nullptr) ||
        parameters.CommandLine.Buffer == nullptr || parameters.CommandLine.Length == 0) {
        return false;
    }
    std::vector<wchar_t> text(parameters.CommandLine.Length / sizeof(wchar_t));
    if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, text.data(), parameters.CommandLine.Length,
                           nullptr)) {
        return false;
    }
    commandLine.assign(text.begin(), text.end());
    return true;
}

void terminateProcessTree(DWORD processId) {
    std::vector<DWORD> children;
    {
        const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = snapshot && Process32FirstW(snapshot.get(), &entry); more;
             more = Process32NextW(snapshot.get(), &entry)) {
            if (entry.th32ParentProcessID == processId) {
                children.push_back(entry.th32ProcessID);
            }
        }
    }
    for (const DWORD child : children) {
        terminateProcessTree(child);
    }
    const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (process) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
    }
}
