#include "DesktopUser.h"

#include "RunningAccount.h"
#include "ShellFolder.h"

#include "foundation/FolderPath.h"
#include "foundation/KFile.h"
#include "foundation/SystemLibrary.h"

#include <shlobj.h>

#include <cstdlib>

namespace {

constexpr DWORD NO_SESSION = 0xFFFFFFFF;
// Where Windows records the profiles' folder and the default user profile, in the system's own view.
constexpr wchar_t PROFILE_LIST_KEY[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
// The default profile's own value and its folder in the profiles' folder have one name.
constexpr wchar_t DEFAULT_PROFILE[] = L"\\Default";

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

// Only the system account may ask; an administrator is refused, and a session without a user gives none.
UniqueHandle sessionUserToken(const SessionQueries& queries, DWORD session) {
    HANDLE token = nullptr;
    if (queries.queryUserToken == nullptr || session == NO_SESSION ||
        !queries.queryUserToken(session, &token)) {
        return UniqueHandle();
    }
    return UniqueHandle(token);
}

// How many sessions have a user at work in them (connected and signed in, at the console or remotely),
// and the last of them.
int countActiveSessions(const SessionQueries& queries, DWORD& session) {
    WTS_SESSION_INFOW* sessions = nullptr;
    DWORD count = 0;
    if (queries.enumerateSessions == nullptr || queries.freeMemory == nullptr ||
        !queries.enumerateSessions(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
        return 0;
    }
    int active = 0;
    for (DWORD index = 0; index < count; ++index) {
        if (sessions[index].State == WTSActive) {
            ++active;
            session = sessions[index].SessionId;
        }
    }
    queries.freeMemory(sessions);
    return active;
}

// A folder of the profile list, its environment strings expanded; empty when it is not recorded.
KString profileListFolder(HKEY profileList, const wchar_t* value) {
    DWORD bytes = MAX_PATH * sizeof(wchar_t);
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc(bytes));
    if (buffer == nullptr) {
        return KString();
    }
    if (RegGetValueW(profileList, nullptr, value, RRF_RT_REG_SZ, nullptr, buffer, &bytes) != ERROR_SUCCESS) {
        buffer[0] = L'\0';
    }
    return KString(buffer, KString::ADOPT_BUFFER);
}

// The roaming AppData folder of the default user profile as Windows records it: its own entry, else
// "Default" in the profiles' folder. It may not be there. Read in the system's own view, which a 32-bit
// process on 64-bit Windows asks for.
KString defaultProfileAppDataFolder() {
    UniqueRegistryKey profileList;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PROFILE_LIST_KEY, 0, KEY_READ | KEY_WOW64_64KEY,
                      profileList.put()) != ERROR_SUCCESS) {
        return KString();
    }
    KString profile = profileListFolder(profileList.get(), DEFAULT_PROFILE + 1);
    if (profile.isEmpty()) {
        const KString profiles = profileListFolder(profileList.get(), L"ProfilesDirectory");
        profile = profiles.isEmpty() ? profiles : profiles + DEFAULT_PROFILE;
    }
    return profile.isEmpty() ? profile : profile + L"\\AppData\\Roaming";
}

} // namespace

DesktopUser DesktopUser::find() {
    const SystemLibrary terminalServices(L"wtsapi32.dll");
    const SessionQueries queries = {
        terminalServices.find<decltype(SessionQueries::queryUserToken)>("WTSQueryUserToken"),
        terminalServices.find<decltype(SessionQueries::enumerateSessions)>("WTSEnumerateSessionsW"),
        terminalServices.find<decltype(SessionQueries::freeMemory)>("WTSFreeMemory"), isSystemAccount()};
    return find(queries);
}

DesktopUser DesktopUser::find(const SessionQueries& queries) {
    DesktopUser user;
    user.userToken = shellOwnerToken();
    user.how = DesktopUserFound::SHELL_OWNER;
    if (!user.userToken) {
        user.userToken = sessionUserToken(queries, WTSGetActiveConsoleSessionId());
        user.how = DesktopUserFound::CONSOLE_USER;
    }
    int activeSessions = 0;
    if (!user.userToken) {
        // Nobody at the console: a machine reached through Remote Desktop alone.
        DWORD session = NO_SESSION;
        activeSessions = countActiveSessions(queries, session);
        user.userToken = activeSessions == 1 ? sessionUserToken(queries, session) : UniqueHandle();
        user.how = DesktopUserFound::REMOTE_DESKTOP_USER;
    }
    KString folder;
    if (!user.userToken && queries.runsAsSystem) {
        // The system account's own folder is read by no one: with no user to choose, every new user's
        // profile gets the configuration instead. An administrator's own folder may be what a
        // scheduled task meant, and is kept.
        folder = defaultProfileAppDataFolder();
        user.how = activeSessions > 1 ? DesktopUserFound::SEVERAL_USERS : DesktopUserFound::NOBODY_SIGNED_IN;
        if (!KFile::isFolder(folder)) {
            folder = KString();
            user.how = DesktopUserFound::SYSTEM_ACCOUNT;
        }
    } else if (!user.userToken) {
        user.how = DesktopUserFound::RUNNING_ACCOUNT;
    }
    if (folder.isEmpty()) {
        // Without a token, the running account's own.
        folder = getShellFolder(CSIDL_APPDATA, user.userToken.get());
    }
    // Normalised once, here, so that every spelling of one folder leads to the same decisions.
    user.folder = normalisedFolderPath(folder);
    return user;
}
