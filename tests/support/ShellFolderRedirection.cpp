#include "ShellFolderRedirection.h"

#include <cwchar>

namespace {

constexpr wchar_t USER_SHELL_FOLDERS_KEY[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t SHELL_FOLDERS_KEY[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t OTHER_ACCOUNT_KEY[] = L"Software\\PellmontTests";

bool setShellFolder(HKEY root, const wchar_t* subKey, DWORD type, const KString& folder) {
    UniqueRegistryKey key;
    return RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr, key.put(),
                           nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), L"AppData", 0, type, reinterpret_cast<const BYTE*>(folder.text()),
                          static_cast<DWORD>((folder.length() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

OtherRunningAccount::OtherRunningAccount(const KString& appDataFolder) {
    UniqueRegistryKey root;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, OTHER_ACCOUNT_KEY, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, root.put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    active = setShellFolder(root.get(), USER_SHELL_FOLDERS_KEY, REG_EXPAND_SZ, appDataFolder) &&
             setShellFolder(root.get(), SHELL_FOLDERS_KEY, REG_SZ, appDataFolder) &&
             RegOverridePredefKey(HKEY_CURRENT_USER, root.get()) == ERROR_SUCCESS;
}

OtherRunningAccount::~OtherRunningAccount() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, OTHER_ACCOUNT_KEY);
}

RedirectedAppData::RedirectedAppData(const KString& folder) {
    RegOpenKeyExW(HKEY_CURRENT_USER, USER_SHELL_FOLDERS_KEY, 0, KEY_READ | KEY_WRITE, key.put());
    DWORD byteCount = sizeof(previous) - sizeof(wchar_t);
    hadPrevious = RegQueryValueExW(key.get(), L"AppData", nullptr, &previousType,
                                   reinterpret_cast<BYTE*>(previous), &byteCount) == ERROR_SUCCESS;
    changed =
        RegSetValueExW(key.get(), L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.text()),
                       static_cast<DWORD>((folder.length() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

RedirectedAppData::~RedirectedAppData() {
    restore();
}

void RedirectedAppData::restore() {
    if (!changed) {
        return;
    }
    if (hadPrevious) {
        RegSetValueExW(key.get(), L"AppData", 0, previousType, reinterpret_cast<const BYTE*>(previous),
                       static_cast<DWORD>((std::wcslen(previous) + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key.get(), L"AppData");
    }
    changed = false;
}

UndeterminableAppData::UndeterminableAppData()
    : RedirectedAppData(KString(L"C:\\pellmont-test-missing\\AppData", KString::REFER_STATIC)) {}
