// Writes the program folder it finds for itself, as UTF-16 without terminator, into the file named by
// its one argument. Exit code 0 when the file was written.
#include "foundation/UniqueResource.h"
#include "installer/PackageDiscovery.h"

#include <shellapi.h>
#include <windows.h>

int main() {
    int argumentCount = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    if (arguments == nullptr || argumentCount != 2) {
        return 2;
    }
    const UniqueFileHandle file(
        CreateFileW(arguments[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LocalFree(arguments);
    if (!file) {
        return 1;
    }
    const KString folder = getProgramFolder();
    const DWORD byteCount = static_cast<DWORD>(folder.length()) * sizeof(wchar_t);
    DWORD written = 0;
    return WriteFile(file.get(), folder.text(), byteCount, &written, nullptr) && written == byteCount ? 0 : 1;
}
