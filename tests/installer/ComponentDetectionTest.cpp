#include "installer/ComponentDetection.h"
#include "InstallerTestSupport.h"

#include "foundation/KFile.h"
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
    const wchar_t* const modules[] = {CLOCKLINE_MODULE_PATH, DRIFTCAST_MODULE_PATH, PANELGATE_MODULE_PATH};
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

TEST(ComponentDetection, AppDataOfTheShellsOwnerIsTakenThroughItsToken) {
    // This process plays an administrator account other than the desktop user's.
    TemporaryFolder runningAccountsFolder;
    const OtherRunningAccount otherAccount(runningAccountsFolder.path());
    ASSERT_TRUE(otherAccount.active);
    ASSERT_EQ(nullptr, GetShellWindow()) << "a shell window exists already";
    ASSERT_STREQ(runningAccountsFolder.path().text(), folderPath(CSIDL_APPDATA, nullptr).text());
    EXPECT_STREQ(runningAccountsFolder.path().text(), getInteractiveUserAppDataFolder().text())
        << "without a shell the running account's folder is used";

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
    ASSERT_STRNE(runningAccountsFolder.path().text(), expected.text());

    const KString folder = getInteractiveUserAppDataFolder();
    EXPECT_STREQ(expected.text(), folder.text());
    EXPECT_NE(L'\\', folder.text()[folder.length() - 1])
        << "trailing separator in " << KString(folder).utf8();

    // Once the shell has gone, its window with it, the running account's folder is used again.
    ASSERT_TRUE(shell.stop());
    EXPECT_EQ(nullptr, GetShellWindow());
    EXPECT_STREQ(runningAccountsFolder.path().text(), getInteractiveUserAppDataFolder().text());
}

} // namespace
