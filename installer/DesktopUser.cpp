#include "DesktopUser.h"

#include "ShellFolder.h"

#include "foundation/FolderPath.h"
#include "foundation/SystemLibrary.h"

#include <shlobj.h>

namespace {

// Every step is tried; a failed one leaves the token unset.
UniqueHandle shellOwnerToken() {
    DWORD processId = 0;
    GetWindowThreadProcessId(GetShellWindow(), &processId);
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    UniqueHandle token;
    // SHGetFolderPathW needs the first two; impersonating a primary token needs the first and the last.
    OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, token.put());
    return token;
}

// Only the system account may ask; an administrator is refused, and nobody signed in gives none.
UniqueHandle consoleSessionToken(UserTokenQuery queryUserToken) {
    constexpr DWORD NO_SESSION = 0xFFFFFFFF;
    const DWORD session = WTSGetActiveConsoleSessionId();
    HANDLE token = nullptr;
    if (queryUserToken == nullptr || session == NO_SESSION || !queryUserToken(session, &token)) {
        return UniqueHandle();
    }
    return UniqueHandle(token);
}

} // namespace

DesktopUser DesktopUser::find() {
    const SystemLibrary terminalServices(L"wtsapi32.dll");
    return find(terminalServices.find<UserTokenQuery>("WTSQueryUserToken"));
}

DesktopUser DesktopUser::find(UserTokenQuery queryUserToken) {
    DesktopUser user;
    user.userToken = shellOwnerToken();
    if (user.userToken) {
        user.how = DesktopUserSource::SHELL_OWNER;
    } else {
        user.userToken = consoleSessionToken(queryUserToken);
        if (user.userToken) {
            user.how = DesktopUserSource::CONSOLE_SESSION;
        }
    }
    // Without a token the folder is the running account's. Normalised once, here, so that every
    // spelling of one folder leads to the same decisions.
    user.folder = normalisedFolderPath(getShellFolder(CSIDL_APPDATA, user.userToken.get()));
    return user;
}
