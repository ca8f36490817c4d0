#include "DesktopUser.h"

#include "ShellFolder.h"

#include <shlobj.h>

namespace {

// Every step is tried; a failed one leaves the token unset.
UniqueHandle shellOwnerToken() {
    DWORD processId = 0;
    GetWindowThreadProcessId(GetShellWindow(), &processId);
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    UniqueHandle token;
    // SHGetFolderPathW needs both rights of a token it is given.
    OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_IMPERSONATE, token.put());
    return token;
}

} // namespace

DesktopUser DesktopUser::find() {
    DesktopUser user;
    user.userToken = shellOwnerToken();
    if (user.userToken) {
        user.how = DesktopUserSource::SHELL_OWNER;
    }
    // Without a token the folder is the running account's.
    user.folder = getShellFolder(CSIDL_APPDATA, user.userToken.get());
    return user;
}
