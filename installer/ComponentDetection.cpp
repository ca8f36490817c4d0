#include "ComponentDetection.h"

#include "RegistryView.h"
#include "foundation/UniqueResource.h"

#include <cstdlib>
#include <shlobj.h>

namespace {

// SHGetFolderPathW into a malloc'd MAX_PATH buffer that the result takes over.
KString getFolderPath(int folder, HANDLE token) {
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc(MAX_PATH * sizeof(wchar_t)));
    if (buffer == nullptr) {
        return KString();
    }
    buffer[0] = L'\0';
    if (FAILED(SHGetFolderPathW(nullptr, folder, token, SHGFP_TYPE_CURRENT, buffer))) {
        // Whatever a failed call left in the buffer is no folder.
        buffer[0] = L'\0';
    }
    return KString(buffer, KString::ADOPT_BUFFER);
}

} // namespace

bool readProductBuild(DWORD& type, DWORD& data) {
    UniqueRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_REGISTRY_KEY, 0, KEY_READ | PRODUCT_REGISTRY_VIEW,
                      key.put()) != ERROR_SUCCESS) {
        return false;
    }
    type = REG_NONE;
    data = 0;
    DWORD dataSize = sizeof(data);
    return RegQueryValueExW(key.get(), PRODUCT_REGISTRY_VALUE, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                            &dataSize) == ERROR_SUCCESS;
}

bool isProductInstalled() {
    DWORD type;
    DWORD data;
    return readProductBuild(type, data);
}

KString getProgramFilesFolder() {
    return getFolderPath(PRODUCT_PROGRAM_FILES_FOLDER, nullptr);
}

KString getInteractiveUserAppDataFolder() {
    // The installer runs elevated, possibly as another account: the configuration belongs to whoever
    // owns the desktop. Every step is tried; a failed one leaves the token unset, and the folder then
    // falls back to the running account's.
    DWORD processId = 0;
    GetWindowThreadProcessId(GetShellWindow(), &processId);
    UniqueHandle token;
    {
        const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
        // SHGetFolderPathW needs both rights of a token it is given.
        OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_IMPERSONATE, token.put());
    }
    return getFolderPath(CSIDL_APPDATA, token.get());
}
