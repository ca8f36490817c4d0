#include "ShellFolder.h"

#include <cstdlib>
#include <shlobj.h>

KString getShellFolder(int folder, HANDLE token) {
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
