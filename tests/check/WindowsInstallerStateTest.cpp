// Whether another installation holds the Windows Installer, and the wait for it: Wine's own installer
// holds nothing while idle, and the test holds the system's mutex as an installation would.

#include "check/WindowsInstallerState.h"

#include "foundation/UniqueResource.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Waits as the command line asks, the report going to a file; the exit code and the report.
int waitAndReport(DWORD seconds, std::string& report) {
    const TemporaryFolder folder;
    const KString path = folder.join(L"\\report.txt");
    int exitCode = -1;
    {
        const UniqueFileHandle output(
            CreateFileW(path.text(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        CheckReport lines(output.get());
        exitCode = waitForWindowsInstaller(seconds, lines);
    }
    EXPECT_TRUE(readFileBytes(path, report));
    return exitCode;
}

TEST(WindowsInstallerState, BusyWhileAnInstallationHoldsItsMutex) {
    std::string report;
    ASSERT_FALSE(isWindowsInstallerBusy()) << "an installation runs already";
    EXPECT_EQ(0, waitAndReport(5, report));
    EXPECT_EQ("The Windows Installer is free.\r\n", report);
    {
        const UniqueHandle installation(CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute"));
        ASSERT_TRUE(installation.isValid()) << GetLastError();
        EXPECT_TRUE(isWindowsInstallerBusy());
        EXPECT_EQ(1618, waitAndReport(1, report));
        EXPECT_EQ(
            "The Windows Installer is busy with another installation; waiting up to 1 seconds.\r\n"
            "The Windows Installer is busy still after 1 seconds: exit code 1618, so that the installation "
            "is tried again later.\r\n",
            report);
    }
    EXPECT_FALSE(isWindowsInstallerBusy());
}

} // namespace
