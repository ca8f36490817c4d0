#include "DefaultUserProfile.h"

namespace {

bool setStringValue(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text) {
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

DefaultUserProfile::DefaultUserProfile(Recording recording) {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                        0, nullptr, 0, KEY_READ | KEY_WRITE | KEY_WOW64_64KEY, nullptr, profileList.put(),
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (SavedValue& value : saved) {
        wchar_t data[MAX_PATH + 1] = {};
        DWORD bytes = MAX_PATH * sizeof(wchar_t);
        value.present = RegQueryValueExW(profileList.get(), value.name, nullptr, &value.type,
                                         reinterpret_cast<BYTE*>(data), &bytes) == ERROR_SUCCESS;
        value.data = data;
    }
    const std::wstring folder = profiles.path().text();
    std::wstring profile = folder + L"\\Default";
    if (recording == OWN_ENTRY) {
        profile = folder + L"\\Default User";
        // As Windows writes it: with the system drive to expand.
        recorded =
            folder.compare(0, 2, L"C:") == 0 && setStringValue(profileList.get(), L"Default", REG_EXPAND_SZ,
                                                               L"%SystemDrive%" + profile.substr(2));
    } else {
        recorded = (!saved[0].present || RegDeleteValueW(profileList.get(), L"Default") == ERROR_SUCCESS) &&
                   setStringValue(profileList.get(), L"ProfilesDirectory", REG_EXPAND_SZ, folder);
    }
    recorded = recorded && CreateDirectoryW(profile.c_str(), nullptr) &&
               CreateDirectoryW((profile + L"\\AppData").c_str(), nullptr) &&
               CreateDirectoryW((profile + L"\\AppData\\Roaming").c_str(), nullptr);
    appData = KString((profile + L"\\AppData\\Roaming").c_str(), KString::COPY_TEXT);
}

DefaultUserProfile::~DefaultUserProfile() {
    for (const SavedValue& value : saved) {
        if (value.present) {
            setStringValue(profileList.get(), value.name, value.type, value.data);
        } else {
            RegDeleteValueW(profileList.get(), value.name);
        }
    }
}
