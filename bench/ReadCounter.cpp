#include "ReadCounter.h"

#include <windows.h>

#include <cstring>

namespace {

FileTraffic traffic;

using ReadFileFunction = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
using WriteFileFunction = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
ReadFileFunction systemReadFile;
WriteFileFunction systemWriteFile;

BOOL WINAPI countingReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED overlapped) {
    DWORD transferred = 0;
    const BOOL result = systemReadFile(file, buffer, count, &transferred, overlapped);
    ++traffic.readCalls;
    traffic.bytesRead += transferred;
    if (done != nullptr) {
        *done = transferred;
    }
    return result;
}

BOOL WINAPI countingWriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done,
                              LPOVERLAPPED overlapped) {
    DWORD transferred = 0;
    const BOOL result = systemWriteFile(file, buffer, count, &transferred, overlapped);
    ++traffic.writeCalls;
    traffic.bytesWritten += transferred;
    if (done != nullptr) {
        *done = transferred;
    }
    return result;
}

// Replaces the program's import slot of name from kernel32 and gives back what it held.
void* redirectImport(const char* name, void* replacement) {
    BYTE* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const IMAGE_NT_HEADERS* const headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (const IMAGE_IMPORT_DESCRIPTOR* module =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + module->Name), "kernel32.dll") != 0) {
            continue;
        }
        const IMAGE_THUNK_DATA* names =
            reinterpret_cast<const IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const IMAGE_IMPORT_BY_NAME* const import =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(import->Name), name) != 0) {
                continue;
            }
            DWORD oldProtection = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE,
                                &oldProtection)) {
                return nullptr;
            }
            void* const original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), oldProtection, &oldProtection);
            return original;
        }
    }
    return nullptr;
}

} // namespace

bool startCountingFileTraffic() {
    systemReadFile = reinterpret_cast<ReadFileFunction>(
        redirectImport("ReadFile", reinterpret_cast<void*>(&countingReadFile)));
    systemWriteFile = reinterpret_cast<WriteFileFunction>(
        redirectImport("WriteFile", reinterpret_cast<void*>(&countingWriteFile)));
    return systemReadFile != nullptr && systemWriteFile != nullptr;
}

FileTraffic fileTraffic() {
    return traffic;
}
