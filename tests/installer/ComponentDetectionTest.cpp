#include "installer/ComponentDetection.h"
#include "installer/DesktopUser.h"
#include "support/DefaultUserProfile.h"
#include "support/FolderChain.h"
#include "support/ProductRegistryValue.h"
#include "support/SessionsUnderTest.h"
#include "support/ShellFolderRedirection.h"
#include "support/TestPackages.h"
#include "support/TestShell.h"

#include "foundation/KFile.h"
#include "foundation/UserImpersonation.h"
#include "support/TemporaryFolder.h"
#include "support/WineOnly.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

namespace {

KString folderPath(int folder, HANDLE token) {
    wchar_t buffer[MAX_PATH] = {};
    const HRESULT result = SHGetFolderPathW(nullptr, folder, token, SHGFP_TYPE_CURRENT, buffer);
    return SUCCEEDED(result) ? KString(buffer, KString::COPY_TEXT) : KString();
}

TEST(ComponentDetection, ProductRegistryValueDecidesByItsSizeAlone) {
    const ProductKeyCleanup cleanup;
    const DWORD zero = 0;
    const DWORD build = 153;
    const wchar_t fourCharacters[] = L"1530";
    const wchar_t oneCharacter[] = L"1";
    const BYTE twoBytes[] = {1, 2};
    const struct {
        const char* what;
        DWORD type;
        const void* data;
        DWORD byteCount;
        bool installed;
    } cases[] = {
        {"REG_DWORD 0", REG_DWORD, &zero, sizeof(zero), true},
        {"REG_DWORD 153", REG_DWORD, &build, sizeof(build), true},
        {"REG_SZ of four characters (10 bytes)", REG_SZ, fourCharacters, sizeof(fourCharacters), false},
        {"REG_SZ of one character (4 bytes)", REG_SZ, oneCharacter, sizeof(oneCharacter), true},
        {"REG_BINARY of two bytes", REG_BINARY, twoBytes, sizeof(twoBytes), true},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        const LONG written =
            writeProductValue(PACKAGE_REGISTRY_VIEW, entry.type, entry.data, entry.byteCount);
        ASSERT_EQ(ERROR_SUCCESS, written) << "writing the value failed: " << written;
        EXPECT_EQ(entry.installed, isProductInstalled());
        deleteProductKey(PACKAGE_REGISTRY_VIEW);
    }
}

TEST(ComponentDetection, ProductKeyMissingOrWithoutValueIsNotInstalled) {
    const ProductKeyCleanup cleanup;
    EXPECT_FALSE(isProductInstalled());
    const LONG created = createProductKey(PACKAGE_REGISTRY_VIEW);
    ASSERT_EQ(ERROR_SUCCESS, created) << "creating the key failed: " << created;
    EXPECT_FALSE(isProductInstalled());
}

TEST(ComponentDetection, ProductValueOnlyIn64BitViewIsNotSeen) {
    const ProductKeyCleanup cleanup;
    const DWORD build = 153;
    const LONG written = writeProductValue(KEY_WOW64_64KEY, REG_DWORD, &build, sizeof(build));
    ASSERT_EQ(ERROR_SUCCESS, written) << "writing the value failed: " << written;
    EXPECT_FALSE(isProductInstalled());
}

// The 32-bit run is worth its name only where the process is redirected as on 64-bit Windows.
TEST(ComponentDetection, The32BitBuildRunsAsOn64BitWindows) {
    if (!IS_32_BIT_PROCESS) {
        GTEST_SKIP() << "a 64-bit process";
    }
    BOOL isWow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &isWow64)) << GetLastError();
    EXPECT_TRUE(isWow64) << "a 32-bit prefix: no registry or Program Files redirection to test";
}

TEST(ComponentDetection, ProgramFilesFolderIsThatOf32BitPrograms) {
    const KString expected = folderPath(PACKAGE_PROGRAM_FILES_FOLDER, nullptr);
    ASSERT_FALSE(expected.isEmpty());
    const KString folder = getProgramFilesFolder();
    EXPECT_STREQ(expected.text(), folder.text());
    EXPECT_NE(L'\\', folder.text()[folder.length() - 1])
        << "trailing separator in " << KString(folder).utf8();
}

TEST(ComponentDetection, PluginCountsAsInstalledExactlyWhenItsModuleFileExists) {
    const KString programFiles = getProgramFilesFolder();
    ASSERT_FALSE(programFiles.isEmpty());
    const wchar_t* const modules[] = {L"\\Quillmark\\VNPlugins\\Clockline\\Clockline.vp32",
                                      L"\\Quillmark\\VNPlugins\\Driftcast\\Driftcast.vp32",
                                      L"\\Quillmark\\VNPlugins\\Panelgate\\Panelgate.vp32"};
    for (const wchar_t* const module : modules) {
        const KString modulePath = programFiles + module;
        SCOPED_TRACE(KString(modulePath).utf8());
        ASSERT_FALSE(KFile::exists(modulePath)) << "installed before the test";

        // Only the module's folders, no registry entry of any kind.
        const wchar_t* const name = std::wcsrchr(module, L'\\');
        const std::wstring folderPart(module, static_cast<size_t>(name - module));
        const FolderChain folders(programFiles, folderPart.c_str());
        ASSERT_TRUE(folders.isComplete()) << "error " << GetLastError();

        // A folder bearing the module's name is no module.
        SetLastError(0xdeadbeef);
        ASSERT_TRUE(CreateDirectoryW(modulePath.text(), nullptr)) << "error " << GetLastError();
        EXPECT_FALSE(KFile::exists(programFiles + module));
        RemoveDirectoryW(modulePath.text());

        const char content[] = "module";
        ASSERT_TRUE(writeFileBytes(modulePath, content, sizeof(content) - 1)) << "error " << GetLastError();
        EXPECT_TRUE(KFile::exists(getProgramFilesFolder() + module));
        SetLastError(0xdeadbeef);
        EXPECT_TRUE(DeleteFileW(modulePath.text())) << "error " << GetLastError();
    }
}

// The running account's AppData folder is overridden for this process only, which a folder asked for
// through a token does not see, and the default user profile is made by the test. So the test shows
// whose folder each way gives, and with which token.
// wineOnly: the shell's owner, a session's user and the running account are one account; on Windows
// each would be an account of its own.
TEST(ComponentDetection, TheDesktopUserIsFoundInEveryWayFleetsDeploy) {
    TemporaryFolder runningAccountsFolder;
    const OtherRunningAccount otherAccount(runningAccountsFolder.path());
    ASSERT_TRUE(otherAccount.active);
    ASSERT_EQ(wineOnly<HWND>(nullptr, "the desktop shell's window, in the session of a signed-in user"),
              GetShellWindow())
        << "a shell window exists already";
    UniqueHandle ownToken;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE, ownToken.put()));
    const KString usersFolder = folderPath(CSIDL_APPDATA, ownToken.get());
    ASSERT_FALSE(usersFolder.isEmpty());
    ASSERT_STRNE(runningAccountsFolder.path().text(), usersFolder.text());
    const DefaultUserProfile defaultProfile;
    ASSERT_TRUE(defaultProfile.isRecorded());

    const DWORD console = WTSGetActiveConsoleSessionId();
    const DWORD remote = console + 1;
    using Session = SessionsUnderTest::Session;
    enum Whose { USERS_FOLDER, DEFAULT_PROFILE, RUNNING_ACCOUNTS_FOLDER };
    const struct {
        const char* what;
        bool withShell;
        std::vector<Session> sessions;
        bool runsAsSystem;
        DesktopUserFound found;
        Whose whose;
    } cases[] = {
        {"the shell's owner, also where the console's user could be had",
         true,
         {{0, WTSDisconnected, false}, {console, WTSActive, true}},
         true,
         DesktopUserFound::SHELL_OWNER,
         USERS_FOLDER},
        {"the console's user, as the system account in a session of its own",
         false,
         {{0, WTSDisconnected, false}, {console, WTSActive, true}},
         true,
         DesktopUserFound::CONSOLE_USER,
         USERS_FOLDER},
        {"nobody signed in, as the system account",
         false,
         {{0, WTSDisconnected, false}, {console, WTSConnected, false}},
         true,
         DesktopUserFound::NOBODY_SIGNED_IN,
         DEFAULT_PROFILE},
        {"one Remote Desktop user, nobody at the console",
         false,
         {{0, WTSDisconnected, false}, {console, WTSConnected, false}, {remote, WTSActive, true}},
         true,
         DesktopUserFound::REMOTE_DESKTOP_USER,
         USERS_FOLDER},
        {"two active sessions, nobody at the console",
         false,
         {{console, WTSConnected, false}, {remote, WTSActive, true}, {remote + 1, WTSActive, true}},
         true,
         DesktopUserFound::SEVERAL_USERS,
         DEFAULT_PROFILE},
        {"an administrator without a shell, a user at the console",
         false,
         {{0, WTSDisconnected, false}, {console, WTSActive, true}},
         false,
         DesktopUserFound::RUNNING_ACCOUNT,
         RUNNING_ACCOUNTS_FOLDER},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        std::unique_ptr<TestShell> shell;
        if (test.withShell) {
            shell = std::make_unique<TestShell>();
            ASSERT_TRUE(shell->isRunning());
        }
        SessionsUnderTest sessions(test.sessions, test.runsAsSystem);

        const DesktopUser user = DesktopUser::find(sessions.queries);

        EXPECT_EQ(test.found, user.found());
        const KString& expected = test.whose == USERS_FOLDER      ? usersFolder
                                  : test.whose == DEFAULT_PROFILE ? defaultProfile.appDataFolder()
                                                                  : runningAccountsFolder.path();
        EXPECT_STREQ(expected.text(), user.appDataFolder().text());
        // The writes into a user's folder are made with that user's rights: the token can be taken on.
        EXPECT_EQ(test.whose == USERS_FOLDER, user.token() != nullptr);
        if (user.token() != nullptr) {
            EXPECT_TRUE(static_cast<bool>(UserImpersonation(user.token())));
        }
        if (test.found == DesktopUserFound::REMOTE_DESKTOP_USER) {
            EXPECT_EQ(remote, sessions.asked.back()) << "the token of the one active session";
        }
        EXPECT_EQ(sessions.listed, sessions.released) << "the session list is released";
    }
}

// The default user profile as Windows records it: its own entry, else the profiles' folder's
// "Default"; where neither is recorded, the system account's own folder, which no one reads.
TEST(ComponentDetection, TheDefaultUserProfileIsWhereWindowsRecordsIt) {
    const TemporaryFolder systemsFolder;
    const OtherRunningAccount systemAccount(systemsFolder.path());
    ASSERT_TRUE(systemAccount.active);
    for (const auto recording : {DefaultUserProfile::OWN_ENTRY, DefaultUserProfile::PROFILES_FOLDER_ONLY}) {
        SCOPED_TRACE(recording == DefaultUserProfile::OWN_ENTRY ? "its own entry" : "the profiles' folder");
        const DefaultUserProfile recorded(recording);
        ASSERT_TRUE(recorded.isRecorded());
        SessionsUnderTest nobody({{WTSGetActiveConsoleSessionId(), WTSConnected, false}}, true);

        const DesktopUser user = DesktopUser::find(nobody.queries);

        EXPECT_EQ(DesktopUserFound::NOBODY_SIGNED_IN, user.found());
        EXPECT_STREQ(recorded.appDataFolder().text(), user.appDataFolder().text());
    }
    // Wine records the profiles' folder, but there is no "Default" in it.
    SessionsUnderTest nobody({{WTSGetActiveConsoleSessionId(), WTSConnected, false}}, true);
    const DesktopUser user = DesktopUser::find(nobody.queries);
    EXPECT_EQ(
        wineOnly(DesktopUserFound::SYSTEM_ACCOUNT, "NOBODY_SIGNED_IN: Windows keeps C:\\Users\\Default"),
        user.found());
    EXPECT_STREQ(wineOnly(systemsFolder.path().text(), "C:\\Users\\Default\\AppData\\Roaming"),
                 user.appDataFolder().text());
}

} // namespace
