#pragma once

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

#include <windows.h>

// How the user whose AppData folder receives the configuration was found.
enum class DesktopUserSource {
    SHELL_OWNER,     // the owner of the desktop shell's window
    RUNNING_ACCOUNT, // none could be had: the account the installer runs as
};

// The user who owns the desktop, whom the configuration is for: the installer runs elevated,
// possibly as another account. Holds that user's token for as long as it lives.
class DesktopUser {
public:
    // The running account, with no folder.
    DesktopUser() = default;
    // Finds the user, and their roaming AppData folder.
    static DesktopUser find();

    DesktopUserSource source() const { return how; }
    // Null for the running account.
    HANDLE token() const { return userToken.get(); }
    // Without a trailing separator; empty when it cannot be determined.
    const KString& appDataFolder() const { return folder; }

private:
    UniqueHandle userToken;
    DesktopUserSource how = DesktopUserSource::RUNNING_ACCOUNT;
    KString folder;
};
