#pragma once

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

#include <windows.h>

// How the user whose AppData folder receives the configuration was found.
enum class DesktopUserSource {
    SHELL_OWNER,     // the owner of the desktop shell's window
    CONSOLE_SESSION, // the user signed in at the console: the shell runs in another session
    RUNNING_ACCOUNT, // none could be had: the account the installer runs as
};

// WTSQueryUserToken's form: the primary token of the user of a session.
using UserTokenQuery = BOOL(WINAPI*)(ULONG sessionId, HANDLE* token);

// The user who owns the desktop, whom the configuration is for: the installer runs elevated,
// possibly as another account, and when fleet tools start it as the system account, in a session of
// its own where the shell cannot be seen. Holds that user's token for as long as it lives.
class DesktopUser {
public:
    // The running account, with no folder.
    DesktopUser() = default;
    // The desktop shell's owner; without a shell window, the console session's user; without either,
    // the running account. Finds the user's roaming AppData folder with it.
    static DesktopUser find();
    // As find, with queryUserToken for the console session's user (null: none is asked for).
    static DesktopUser find(UserTokenQuery queryUserToken);

    DesktopUserSource source() const { return how; }
    // Null for the running account. Can be taken on (UserImpersonation), so that what is written into
    // the user's folder is written with the user's rights.
    HANDLE token() const { return userToken.get(); }
    // Without a trailing separator; empty when it cannot be determined.
    const KString& appDataFolder() const { return folder; }

private:
    UniqueHandle userToken;
    DesktopUserSource how = DesktopUserSource::RUNNING_ACCOUNT;
    KString folder;
};
