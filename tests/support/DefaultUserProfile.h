#pragma once

#include "TemporaryFolder.h"

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

#include <windows.h>

#include <string>

// A default user profile recorded as Windows records it (the profile list of HKLM, in the system's
// own view), with its roaming AppData folder made. Either by its own entry, "Default", an environment
// string to expand, or by the profiles' folder alone, whose "Default" it then is. What was recorded
// before comes back afterwards.
// wineOnly: Wine records no default user profile (the profile list has no "Default" and C:\users no
// Default folder); Windows always has C:\Users\Default.
class DefaultUserProfile {
public:
    enum Recording { OWN_ENTRY, PROFILES_FOLDER_ONLY };

    explicit DefaultUserProfile(Recording recording = OWN_ENTRY);
    DefaultUserProfile(const DefaultUserProfile&) = delete;
    DefaultUserProfile& operator=(const DefaultUserProfile&) = delete;
    ~DefaultUserProfile();

    bool isRecorded() const { return recorded; }
    const KString& appDataFolder() const { return appData; }

private:
    struct SavedValue {
        explicit SavedValue(const wchar_t* name) : name(name) {}
        const wchar_t* name;
        bool present = false;
        DWORD type = REG_NONE;
        std::wstring data;
    };

    TemporaryFolder profiles;
    KString appData;
    UniqueRegistryKey profileList;
    SavedValue saved[2] = {SavedValue(L"Default"), SavedValue(L"ProfilesDirectory")};
    bool recorded = false;
};
