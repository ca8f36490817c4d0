#pragma once

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

#include <windows.h>

// Gives this process an AppData folder of its own, as if it ran as an account other than the desktop
// user's: the current user's key is replaced, for this process only, by one whose shell folders name
// the given folder. A token's folder is still read from the user's own key, so under Wine, where the
// shell and the tests run as one account, only a folder asked for through a token differs.
class OtherRunningAccount {
public:
    explicit OtherRunningAccount(const KString& appDataFolder);
    OtherRunningAccount(const OtherRunningAccount&) = delete;
    OtherRunningAccount& operator=(const OtherRunningAccount&) = delete;
    ~OtherRunningAccount();

    bool active = false;
};

// Points the AppData folder of the account the tests run as at another folder until restore or the
// end of the object; the previous setting comes back then. A folder asked for through that account's
// token sees it too.
class RedirectedAppData {
public:
    explicit RedirectedAppData(const KString& folder);
    RedirectedAppData(const RedirectedAppData&) = delete;
    RedirectedAppData& operator=(const RedirectedAppData&) = delete;
    virtual ~RedirectedAppData();

    void restore();

    bool changed = false;

private:
    UniqueRegistryKey key;
    wchar_t previous[MAX_PATH + 1] = {};
    DWORD previousType = REG_EXPAND_SZ;
    bool hadPrevious = false;
};

// The AppData folder pointed at a folder that does not exist, which makes the shell fail to
// determine it.
class UndeterminableAppData : public RedirectedAppData {
public:
    UndeterminableAppData();
};
