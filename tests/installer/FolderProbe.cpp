// Writes the program folder it finds for itself, as UTF-16 without terminator, into the file named by
// its first argument. Exit code 0 when the file was written.
//
// A second argument, a number of units, first records a module path of that length (longModulePath)
// as the path of the probe's own module, where the loader keeps it for GetModuleFileNameW.
// wineOnly: Wine cannot start a program from a path longer than the 4096 bytes that Linux allows;
// Windows starts programs from paths of up to 32767 units.
#include "support/LongModulePath.h"

#include "foundation/UniqueResource.h"
#include "installer/PackageDiscovery.h"

#include <shellapi.h>
#include <windows.h>
#include <winternl.h>

#include <cwchar>

namespace {

bool recordModulePath(const std::wstring& path) {
    static std::wstring recorded; // the loader refers to it for the rest of the process
    recorded = path;
    PROCESS_BASIC_INFORMATION process = {};
    if (!NT_SUCCESS(NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &process,
                                              sizeof(process), nullptr))) {
        return false;
    }
    LIST_ENTRY* const modules = &process.PebBaseAddress->Ldr->InMemoryOrderModuleList;
    for (LIST_ENTRY* link = modules->Flink; link != modules; link = link->Flink) {
        LDR_DATA_TABLE_ENTRY* const module =
            CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
        if (module->DllBase == GetModuleHandleW(nullptr)) {
            module->FullDllName.Buffer = &recorded[0];
            module->FullDllName.Length = static_cast<USHORT>(recorded.size() * sizeof(wchar_t));
            module->FullDllName.MaximumLength = module->FullDllName.Length;
            return true;
        }
    }
    return false;
}

} // namespace

int main() {
    int argumentCount = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    if (arguments == nullptr || argumentCount < 2 || argumentCount > 3) {
        return 2;
    }
    const UniqueFileHandle file(
        CreateFileW(arguments[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const size_t recordedUnits = argumentCount == 3 ? std::wcstoul(arguments[2], nullptr, 10) : 0;
    LocalFree(arguments);
    if (!file || (recordedUnits != 0 && !recordModulePath(longModulePath(recordedUnits)))) {
        return 1;
    }
    const KString folder = getProgramFolder();
    const DWORD byteCount = static_cast<DWORD>(folder.length()) * sizeof(wchar_t);
    DWORD written = 0;
    return WriteFile(file.get(), folder.text(), byteCount, &written, nullptr) && written == byteCount ? 0 : 1;
}
