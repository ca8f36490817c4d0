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

// Another installation, on a thread of its own: holds the Windows Installer's mutex from the start
// and lets it go after releaseAfterMs, or at the end of the object.
class Installation {
public:
    explicit Installation(DWORD releaseAfterMs) : releaseAfterMs(releaseAfterMs) {
        thread.reset(CreateThread(nullptr, 0, &Installation::hold, this, 0, nullptr));
        WaitForSingleObject(holding.get(), 5000);
    }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;
    ~Installation() {
        SetEvent(done.get());
        WaitForSingleObject(thread.get(), 5000);
    }

private:
    static DWORD WINAPI hold(void* context) {
        Installation& installation = *static_cast<Installation*>(context);
        const UniqueHandle mutex(CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute"));
        SetEvent(installation.holding.get());
        WaitForSingleObject(installation.done.get(), installation.releaseAfterMs);
        ReleaseMutex(mutex.get());
        return 0;
    }

    const DWORD releaseAfterMs;
    UniqueHandle holding{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle thread;
};

TEST(WindowsInstallerState, BusyWhileAnInstallationHoldsItsMutex) {
    std::string report;
    ASSERT_FALSE(isWindowsInstallerBusy()) << "an installation runs already";
    EXPECT_EQ(0, waitAndReport(5, report));
    EXPECT_EQ("The Windows Installer is free.\r\n", report);
    {
        const Installation throughout(INFINITE);
        EXPECT_TRUE(isWindowsInstallerBusy());
        EXPECT_EQ(1618, waitAndReport(1, report));
        EXPECT_EQ("The Windows Installer is busy with another installation; waiting up to 1 seconds.\r\n"
                  "The Windows Installer is busy still after 1 seconds: exit code 1618, so that the installation "
                  "is tried again later.\r\n",
                  report);
    }
    EXPECT_FALSE(isWindowsInstallerBusy());
    // An installation that ends during the wait: the wait ends with it.
    const Installation briefly(1500);
    EXPECT_EQ(0, waitAndReport(20, report));
    EXPECT_EQ("The Windows Installer is busy with another installation; waiting up to 20 seconds.\r\n"
              "The Windows Installer is free.\r\n",
              report);
}

} // namespace
