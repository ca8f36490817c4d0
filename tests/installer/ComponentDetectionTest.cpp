#include "installer/ComponentDetection.h"
#include "InstallerTestSupport.h"
#include "installer/DesktopUser.h"

#include "foundation/KFile.h"
#include "foundation/UserImpersonation.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <shlobj.h>

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

// Stands in for Windows refusing the console session's user to an account that is not the system
// account: Wine gives any process a token for any session.
BOOL WINAPI refuseUserToken(ULONG, HANDLE*) {
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

// Under Wine the shell's owner, the console session's user and the running account are one account;
// the running account's AppData folder is overridden for this process only, which a folder asked for
// through a token does not see. So the test shows which way the folder was found, not whose it is.
TEST(ComponentDetection, AppDataFolderIsTheShellOwnersElseTheConsoleUsersElseTheRunningAccounts) {
    TemporaryFolder runningAccountsFolder;
    const OtherRunningAccount otherAccount(runningAccountsFolder.path());
    ASSERT_TRUE(otherAccount.active);
    ASSERT_EQ(nullptr, GetShellWindow()) << "a shell window exists already";
    ASSERT_STREQ(runningAccountsFolder.path().text(), folderPath(CSIDL_APPDATA, nullptr).text());
    UniqueHandle ownToken;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE, ownToken.put()));
    const KString tokensFolder = folderPath(CSIDL_APPDATA, ownToken.get());
    ASSERT_FALSE(tokensFolder.isEmpty());
    ASSERT_STRNE(runningAccountsFolder.path().text(), tokensFolder.text());

    // No shell window, as for the system account in its own session: the console session's user.
    const DesktopUser consoleUser = DesktopUser::find();
    EXPECT_EQ(DesktopUserSource::CONSOLE_SESSION, consoleUser.source());
    EXPECT_NE(nullptr, consoleUser.token());
    // The writes into the user's folder are made with the user's rights: the token can be taken on.
    EXPECT_TRUE(static_cast<bool>(UserImpersonation(consoleUser.token())));
    EXPECT_STREQ(tokensFolder.text(), consoleUser.appDataFolder().text());
    EXPECT_STREQ(tokensFolder.text(), getInteractiveUserAppDataFolder().text());
    // The query refused: the running account's own folder.
    const DesktopUser refused = DesktopUser::find(&refuseUserToken);
    EXPECT_EQ(DesktopUserSource::RUNNING_ACCOUNT, refused.source());
    EXPECT_EQ(nullptr, refused.token());
    EXPECT_STREQ(runningAccountsFolder.path().text(), refused.appDataFolder().text());

    TestShell shell;
    ASSERT_TRUE(shell.isRunning());
    DWORD shellProcessId = 0;
    GetWindowThreadProcessId(GetShellWindow(), &shellProcessId);
    ASSERT_EQ(shell.processId(), shellProcessId);
    // What the shell owner's token gives, obtained independently of the code under test.
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellProcessId));
    ASSERT_TRUE(process.isValid()) << "error " << GetLastError();
    UniqueHandle token;
    ASSERT_TRUE(OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_IMPERSONATE, token.put()))
        << "error " << GetLastError();
    const KString expected = folderPath(CSIDL_APPDATA, token.get());
    ASSERT_FALSE(expected.isEmpty());

    // The shell's owner comes first, also where the console session's user could be had.
    const DesktopUser shellOwner = DesktopUser::find(&refuseUserToken);
    EXPECT_EQ(DesktopUserSource::SHELL_OWNER, shellOwner.source());
    EXPECT_TRUE(static_cast<bool>(UserImpersonation(shellOwner.token())));
    EXPECT_STREQ(expected.text(), shellOwner.appDataFolder().text());
    const KString folder = getInteractiveUserAppDataFolder();
    EXPECT_STREQ(expected.text(), folder.text());
    EXPECT_NE(L'\\', folder.text()[folder.length() - 1])
        << "trailing separator in " << KString(folder).utf8();
}

} // namespace
