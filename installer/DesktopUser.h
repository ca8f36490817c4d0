#pragma once

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

#include <windows.h>

#include <wtsapi32.h>

// Whose AppData folder receives the configuration, and how that was decided.
enum class DesktopUserFound {
    SHELL_OWNER,         // the owner of the desktop shell's window
    CONSOLE_USER,        // the user signed in at the console: the shell runs in another session
    REMOTE_DESKTOP_USER, // nobody at the console, and exactly one active session: its user
    NOBODY_SIGNED_IN,    // run as the system account with no signed-in user to be had: the default
                         // user profile, from which Windows makes every new user's profile
    SEVERAL_USERS,       // run as the system account with several active sessions and nobody at the
                         // console: no user is chosen, the default user profile as above
    SYSTEM_ACCOUNT,      // run as the system account with no user and no default user profile to be
                         // had: its own folder, which no one reads
    RUNNING_ACCOUNT,     // run as another account without a shell (a deploy account, a scheduled task),
                         // which is refused the signed-in user: its own folder
};

// What finding the user asks of the system, so that tests can answer for sessions and accounts that
// one machine under test does not have.
struct SessionQueries {
    // WTSQueryUserToken: the primary token of the user of a session; only the system account may ask.
    BOOL(WINAPI* queryUserToken)(ULONG sessionId, HANDLE* token);
    // WTSEnumerateSessionsW and WTSFreeMemory: the sessions of this machine and their states.
    BOOL(WINAPI* enumerateSessions)
    (HANDLE server, DWORD reserved, DWORD version, WTS_SESSION_INFOW** sessions, DWORD* count);
    void(WINAPI* freeMemory)(void* memory);
    // Whether the installer runs as the local system account, as fleet tools start install commands.
    bool runsAsSystem;
};

// The user who owns the desktop, whom the configuration is for: the installer runs elevated,
// possibly as another account, and when fleet tools start it as the system account, in a session of
// its own where the shell cannot be seen. Holds that user's token for as long as it lives.
class DesktopUser {
public:
    // The running account, with no folder.
    DesktopUser() = default;
    // The desktop shell's owner; without a shell window, the console session's user; without one,
    // the user of the one active session; without one, as the system account, the default user
    // profile; else the running account. Finds the roaming AppData folder it means.
    static DesktopUser find();
    // As find, asking queries (any of the functions may be null: nothing is had from it).
    static DesktopUser find(const SessionQueries& queries);

    DesktopUserFound found() const { return how; }
    // Null for the default profile and the running account. Can be taken on (UserImpersonation), so
    // that what is written into the user's folder is written with the user's rights.
    HANDLE token() const { return userToken.get(); }
    // Without a trailing separator; empty when it cannot be determined.
    const KString& appDataFolder() const { return folder; }

private:
    UniqueHandle userToken;
    DesktopUserFound how = DesktopUserFound::RUNNING_ACCOUNT;
    KString folder;
};
