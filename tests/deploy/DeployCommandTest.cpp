// The fleet tools' install and uninstall commands as fleet tools run them: the shipped scripts under
// the system's cmd, beside the built programs and real packages, on a real machine; their exit codes
// and the logs they leave in %SystemRoot%\Logs\Software.

#include "support/CleanMachine.h"
#include "support/DatabaseBuilder.h"
#include "support/Programs.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/TestPackages.h"
#include "support/TestPaths.h"

#include "foundation/UniqueResource.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

constexpr DWORD COMMAND_TIMEOUT_MS = 180000;

std::wstring windowsFolder(const wchar_t* below) {
    wchar_t folder[MAX_PATH] = {};
    GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + below;
}

// A database whose devices are this machine's endpoints, so that the rewrite stores both blocks.
DatabaseDescription sampleDatabase() {
    DatabaseDescription description;
    description.firstDeviceId = L"{0.0.0.00000000}.{11111111-1111-1111-1111-111111111111}";
    description.firstDeviceName = L"Speakers (Studio USB)";
    description.secondDeviceId = L"{0.0.1.00000000}.{22222222-2222-2222-2222-222222222222}";
    description.secondDeviceName = L"Microphone (Studio USB)";
    description.entries = {{true, 40}};
    description.records = {
        devicePairRecord({L"{0.0.0.00000000}.{33333333-3333-3333-3333-333333333333}", L"Headphones",
                          L"{0.0.1.00000000}.{44444444-4444-4444-4444-444444444444}", L"Line 1"})};
    return description;
}

std::set<std::wstring> logsThere() {
    std::set<std::wstring> logs;
    WIN32_FIND_DATAW found;
    const UniqueFindHandle search(
        FindFirstFileW(windowsFolder(L"\\Logs\\Software\\Pellmont-*.log").c_str(), &found));
    if (search) {
        do {
            logs.insert(found.cFileName);
        } while (FindNextFileW(search.get(), &found));
    }
    return logs;
}

// A deployment folder as fleet tools copy it: the two programs, the two commands, what the test lays
// beside them, on a clean machine.
class DeployCommand : public ::testing::Test {
protected:
    void SetUp() override {
        copy(INSTALLER_PROGRAM, L"\\Pellmont.exe");
        copy(CHECK_PROGRAM, L"\\PellmontCheck.exe");
        copy((std::wstring(DEPLOY_FOLDER) + L"\\Install.cmd").c_str(), L"\\Install.cmd");
        copy((std::wstring(DEPLOY_FOLDER) + L"\\Uninstall.cmd").c_str(), L"\\Uninstall.cmd");
        const std::string builtFrom = "Pellmont 1.0.0\r\nbuilt from commit test\r\n";
        ASSERT_TRUE(writeFileBytes(folder.join(L"\\BUILT-FROM.txt"), builtFrom.data(),
                                   static_cast<unsigned long>(builtFrom.size())));
    }

    void copy(const wchar_t* source, const wchar_t* name) {
        EXPECT_TRUE(CopyFileW(source, folder.join(name).text(), FALSE)) << GetLastError();
    }

    // Runs the command with the system's cmd, as a fleet tool does; its exit code, and the log it left,
    // which is kept among the build's artifacts under the name given.
    DWORD run(const wchar_t* command, const wchar_t* keptAs, std::string& log) {
        const std::set<std::wstring> before = logsThere();
        const DWORD exitCode = runProgram(systemProgram(L"\\cmd.exe"),
                                          L" /c \"" + folder.join(command) + L"\"", COMMAND_TIMEOUT_MS);
        log.clear();
        for (const std::wstring& name : logsThere()) {
            if (before.count(name) == 0) {
                const std::wstring path = windowsFolder(L"\\Logs\\Software\\") + name;
                EXPECT_TRUE(log.empty()) << "more than one new log";
                EXPECT_TRUE(readFileBytes(KString(path.c_str(), KString::COPY_TEXT), log));
                const std::wstring kept = std::wstring(ARTIFACT_FOLDER) + L"\\" + keptAs;
                EXPECT_TRUE(MoveFileExW(path.c_str(), kept.c_str(),
                                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
                    << GetLastError();
            }
        }
        EXPECT_FALSE(log.empty()) << "no log in %SystemRoot%\\Logs\\Software";
        return exitCode;
    }

    const CleanMachine machine;
    TemporaryFolder folder;
};

::testing::AssertionResult logHas(const std::string& log, const std::vector<std::string>& lines) {
    size_t from = 0;
    for (const std::string& line : lines) {
        from = log.find(line, from);
        if (from == std::string::npos) {
            return ::testing::AssertionFailure() << "no " << testing::PrintToString(line) << " in order in\n"
                                                 << log;
        }
    }
    return ::testing::AssertionSuccess();
}

// Whatever of a run does not take effect, the verification names, and exits with 1 for it.
void expectVerificationFinds(const KString& folder, const char* what, const std::vector<std::string>& lines) {
    SCOPED_TRACE(what);
    const TemporaryFolder reportFolder;
    const KString reportPath = reportFolder.join(L"\\verification.txt");
    DWORD exitCode = ~0u;
    {
        SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
        const UniqueFileHandle report(CreateFileW(reportPath.text(), GENERIC_WRITE, FILE_SHARE_READ,
                                                  &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                  nullptr));
        exitCode = runProgram(KString(CHECK_PROGRAM, KString::REFER_STATIC), L" /verify \"" + folder + L"\"",
                              PROCESS_TIMEOUT_MS, report.get());
    }
    std::string report;
    EXPECT_TRUE(readFileBytes(reportPath, report));
    EXPECT_EQ(lines.empty() ? 0u : 1u, exitCode);
    EXPECT_TRUE(logHas(report, lines));
}

TEST_F(DeployCommand, InstallsVerifiesAndUninstallsOnAClearMachine) {
    copy(testPackage(L"\\VN1.5.3 Setup.msi").text(), L"\\VN1.5.3 Setup.msi");
    copy(testPackage(L"\\Clockline Plug-In v1.0 Setup.msi").text(), L"\\Clockline Plug-In v1.0 Setup.msi");
    ASSERT_TRUE(writeFileBytes(folder.join(L"\\Autostart.dat"), "start-up", 8));
    const std::string database = buildDatabase(sampleDatabase()).bytes;
    ASSERT_TRUE(writeFileBytes(folder.join(L"\\Profiles.db64"), database.data(),
                               static_cast<unsigned long>(database.size())));

    // Nothing to remove yet: the Windows Installer's "unknown product" counts as removed.
    std::string log;
    EXPECT_EQ(0u, run(L"\\Uninstall.cmd", L"Uninstall-nothing-installed.log", log));
    EXPECT_TRUE(logHas(log, {"Veltrano Pro {", "}: msiexec exit code 1605", "Exit code 0."}));

    EXPECT_EQ(0u, run(L"\\Install.cmd", L"Install-clean-machine.log", log));
    EXPECT_TRUE(logHas(
        log, {"Pellmont install command", "built from commit test", "Pellmont pre-flight check of",
              "Result: exit code 0, everything offered would take effect", "The Windows Installer is free.",
              "Pellmont verification of", "  Veltrano Pro: installed", "  Clockline Plug-In: installed",
              "  Autostart.dat: in the product folder, with the bytes the run leaves",
              "Result: exit code 0, everything the folder offers took effect", "Exit code 0."}));
    EXPECT_TRUE(isPackageInstalled(testPackage(L"\\VN1.5.3 Setup.msi")));

    // Each effect undone in turn, and put back.
    expectVerificationFinds(folder.path(), "as the run left it", {});
    const std::wstring copies = machine.productFolder().text();
    const std::wstring module = pluginModuleFile(0).text();
    ASSERT_TRUE(MoveFileW(module.c_str(), (module + L".aside").c_str())) << GetLastError();
    expectVerificationFinds(
        folder.path(), "a plug-in's module file removed",
        {"  Clockline Plug-In: not installed, though the folder offers Clockline Plug-In v1.0 "
         "Setup.msi",
         "Result: exit code 1: a product the folder offers is not installed"});
    ASSERT_TRUE(MoveFileW((module + L".aside").c_str(), module.c_str())) << GetLastError();
    ASSERT_TRUE(MoveFileW((copies + L"\\Autostart.dat").c_str(), (copies + L"\\Autostart.aside").c_str()));
    expectVerificationFinds(
        folder.path(), "a copy removed",
        {"  Autostart.dat: not in the product folder",
         "Result: exit code 1: a configuration file the folder offers is not in the product "
         "folder with the bytes the run leaves"});
    ASSERT_TRUE(MoveFileW((copies + L"\\Autostart.aside").c_str(), (copies + L"\\Autostart.dat").c_str()));
    std::string copied;
    ASSERT_TRUE(readFileBytes(KString((copies + L"\\Profiles.db64").c_str(), KString::COPY_TEXT), copied));
    std::string changed = copied;
    // The identifier of another machine: the same as this machine's up to its GUID, at byte 39.
    putText(changed, DatabaseOffsets::HEADER_FIRST_ID,
            L"{0.0.0.00000000}.{an identifier of another machine}");
    const KString copiedDatabase((copies + L"\\Profiles.db64").c_str(), KString::COPY_TEXT);
    ASSERT_TRUE(writeFileBytes(copiedDatabase, changed.data(), static_cast<unsigned long>(changed.size())));
    expectVerificationFinds(
        folder.path(), "an identifier changed in a copied database",
        {"  Profiles.db64: in the product folder, but its bytes differ from byte 39 on from the "
         "source's with this machine's device identifiers"});
    ASSERT_TRUE(writeFileBytes(copiedDatabase, copied.data(), static_cast<unsigned long>(copied.size())));
    ASSERT_TRUE(writeFileBytes(copiedDatabase + L".pellmont-old", "old", 3));
    expectVerificationFinds(folder.path(), "the user's file moved aside and left",
                            {"  Left there: Profiles.db64.pellmont-old",
                             "Result: exit code 1: an interrupted copy left files in the product folder"});
    ASSERT_TRUE(DeleteFileW((copiedDatabase + L".pellmont-old").text()));

    // Run again on the installed machine, as fleet tools do when detection fails for other reasons.
    EXPECT_EQ(0u, run(L"\\Install.cmd", L"Install-installed-machine.log", log));
    EXPECT_TRUE(
        logHas(log, {"  Veltrano Pro: installed already, no package would be used",
                     "Result: exit code 0, everything the folder offers took effect", "Exit code 0."}));

    EXPECT_EQ(0u, run(L"\\Uninstall.cmd", L"Uninstall-installed.log", log));
    EXPECT_TRUE(logHas(log, {"Pellmont uninstall command", "built from commit test", "Veltrano Pro {",
                             "}: msiexec exit code 0", "Clockline Plug-In {", "}: msiexec exit code 0",
                             "Exit code 0."}));
    EXPECT_FALSE(isPackageInstalled(testPackage(L"\\VN1.5.3 Setup.msi")));
    EXPECT_FALSE(isPackageInstalled(testPackage(L"\\Clockline Plug-In v1.0 Setup.msi")));
}

// A package that fails is passed over by the installer, and the verification says which; a Windows
// Installer that another installation holds throughout the wait gives the code fleet tools retry on.
TEST_F(DeployCommand, AFailedPackageOrABusyInstallerGivesCodesFleetToolsUnderstand) {
    copy(testPackage(L"\\Failing Setup.msi").text(), L"\\VN1.5.3 Setup.msi");
    std::string log;
    EXPECT_EQ(1603u, run(L"\\Install.cmd", L"Install-failed-package.log", log));
    EXPECT_TRUE(logHas(log, {"Pellmont.exe started", "Pellmont.exe ended",
                             "  Veltrano Pro: not installed, though the folder offers VN1.5.3 Setup.msi",
                             "Result: exit code 1: a product the folder offers is not installed",
                             "Exit code 1603: not everything the folder offers took effect."}));

    copy(testPackage(L"\\VN1.5.3 Setup.msi").text(), L"\\VN1.5.3 Setup.msi");
    const UniqueHandle busy(CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute"));
    ASSERT_TRUE(busy.isValid()) << GetLastError();
    const ScopedEnvironmentVariable shortWait(L"PELLMONT_BUSY_WAIT_SECONDS", L"2");
    EXPECT_EQ(1618u, run(L"\\Install.cmd", L"Install-busy-installer.log", log));
    EXPECT_TRUE(
        logHas(log, {"  Windows Installer: busy with another installation (Global\\_MSIExecute is held)",
                     "Result: exit code 1: the Windows Installer is busy with another installation",
                     "The Windows Installer is busy with another installation; waiting up to 2 seconds.",
                     "The Windows Installer is busy still after 2 seconds",
                     "Exit code 1618: the Windows Installer is busy; nothing was installed."}));
    EXPECT_EQ(std::string::npos, log.find("Pellmont.exe started"));
    EXPECT_FALSE(isPackageInstalled(testPackage(L"\\VN1.5.3 Setup.msi")));
}

} // namespace
