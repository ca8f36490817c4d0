// The real program, run from a folder of real packages and configuration files and followed from
// outside as a user sees it: the window, its texts and their timing, the exit code and the real system
// installer it starts. Afterwards the machine is checked. What a run does step by step is tested in
// process (tests/installer/InstallationPlanRunTest.cpp).

#include "InstallerObserver.h"

#include "support/CleanMachine.h"
#include "support/ProcessInspection.h"
#include "support/ProductRegistryValue.h"
#include "support/SampleDatabase.h"
#include "support/TestPackages.h"
#include "support/TestPaths.h"

#include "foundation/UniqueResource.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr DWORD RUN_TIMEOUT_MS = 120000;
// The machine's noise on top of each fixed wait.
constexpr DWORD WAIT_SLACK_MS = 700;
constexpr DWORD WAIT_EARLY_MS = 30;

// A folder with a copy of the program and what the test lays beside it.
class ProgramFolder {
public:
    ProgramFolder() : program(folder.join(L"\\Pellmont.exe")) {
        EXPECT_TRUE(CopyFileW(INSTALLER_PROGRAM, program.text(), FALSE)) << GetLastError();
    }

    void addPackage(const wchar_t* name) {
        EXPECT_TRUE(CopyFileW(testPackage(name).text(), folder.join(name).text(), FALSE)) << GetLastError();
    }
    void addFile(const wchar_t* name, const std::string& bytes) {
        EXPECT_TRUE(
            writeFileBytes(folder.join(name), bytes.data(), static_cast<unsigned long>(bytes.size())));
    }

    // Starts the program in its folder; an invalid handle when it could not be started.
    UniqueHandle start(DWORD& processId) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION created{};
        std::wstring commandLine = L"\"" + std::wstring(program.text()) + L"\"";
        if (!CreateProcessW(program.text(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            folder.path().text(), &startup, &created)) {
            ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
            return UniqueHandle();
        }
        CloseHandle(created.hThread);
        processId = created.dwProcessId;
        return UniqueHandle(created.hProcess);
    }

    // Runs the program and follows its window until it is gone; the process's exit code.
    DWORD run(InstallerObserver& observer,
              const std::function<void(HWND, const ObservedChange&)>& onChange = nullptr) {
        DWORD processId = 0;
        const UniqueHandle process = start(processId);
        if (!process) {
            return ~0u;
        }
        EXPECT_TRUE(observer.follow(processId, RUN_TIMEOUT_MS, onChange)) << "the window was not followed";
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 10000)) << "the program did not end";
        DWORD exitCode = ~0u;
        GetExitCodeProcess(process.get(), &exitCode);
        return exitCode;
    }

private:
    TemporaryFolder folder;
    KString program;
};

// The texts after the one the window is built with.
std::vector<std::wstring> shownStatuses(const InstallerObserver& observer) {
    std::vector<std::wstring> statuses = observer.statuses();
    if (!statuses.empty() && statuses.front() == L"Please wait...") {
        statuses.erase(statuses.begin());
    }
    return statuses;
}

std::vector<int> shownProgress(const InstallerObserver& observer) {
    std::vector<int> values = observer.progressValues();
    if (!values.empty() && values.front() == 0) {
        values.erase(values.begin());
    }
    return values;
}

struct ExpectedWait {
    const wchar_t* from;
    const wchar_t* to; // null: the window closing
    DWORD waitMs;
    bool exact; // false where work of its own time comes on top: the system installer's, the audio
                // endpoints' lookup (seconds under emulation)
};

void expectWaits(const InstallerObserver& observer, const std::vector<ExpectedWait>& waits) {
    for (const ExpectedWait& wait : waits) {
        const ObservedTime from = observer.timeOfStatus(wait.from);
        const ObservedTime to = wait.to != nullptr ? observer.timeOfStatus(wait.to) : observer.timeClosed();
        ASSERT_NE(~0u, from.atMs) << "never shown: " << testing::PrintToString(std::wstring(wait.from));
        ASSERT_NE(~0u, to.atMs) << "never shown: "
                                << (wait.to ? testing::PrintToString(std::wstring(wait.to)) : "closed");
        SCOPED_TRACE(testing::PrintToString(std::wstring(wait.from)) + " -> " +
                     (wait.to ? testing::PrintToString(std::wstring(wait.to)) : "closed"));
        // The longest and the shortest time between the two changes that the observations allow.
        EXPECT_GE(to.atMs - from.notBeforeMs + WAIT_EARLY_MS, wait.waitMs);
        if (wait.exact) {
            EXPECT_LE(static_cast<LONG>(to.notBeforeMs - from.atMs),
                      static_cast<LONG>(wait.waitMs + WAIT_SLACK_MS));
        }
    }
}

} // namespace

TEST(InstallerRun, OneProductAndOneDatabase) {
    const CleanMachine machine;
    ProgramFolder folder;
    folder.addPackage(L"\\VN1.5.3 Setup.msi");
    const DatabaseFile database = runDatabase();
    folder.addFile(L"\\Profiles.db64", database.bytes);

    InstallerObserver observer;
    bool screenshotTaken = false;
    UniqueHandle systemInstaller;
    ULARGE_INTEGER copyShownAt{};
    const DWORD exitCode = folder.run(observer, [&](HWND window, const ObservedChange& change) {
        if (!change.isProgress && change.status == L"Installing Veltrano Pro..." && !screenshotTaken) {
            DWORD installerId = 0;
            GetWindowThreadProcessId(window, &installerId);
            const DWORD start = GetTickCount();
            while (!systemInstaller && GetTickCount() - start < 5000) {
                systemInstaller.reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                                  findChildProcess(installerId, L"msiexec.exe")));
            }
            Sleep(300); // let the system installer's own window come up beside it
            screenshotTaken =
                saveWindowScreenshot(window, std::wstring(ARTIFACT_FOLDER) + L"\\installing.bmp");
        }
        if (!change.isProgress && change.status == L"Copying 64bit Configuration...") {
            FILETIME now;
            GetSystemTimeAsFileTime(&now);
            copyShownAt = {{now.dwLowDateTime, now.dwHighDateTime}};
        }
    });
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(screenshotTaken);

    // The wait after an installation counts from the system installer's end.
    ASSERT_TRUE(systemInstaller.isValid()) << "the system installer was not found running";
    ASSERT_NE(0u, copyShownAt.QuadPart) << "the copy was never shown";
    FILETIME created, exited, kernelTime, userTime;
    ASSERT_TRUE(GetProcessTimes(systemInstaller.get(), &created, &exited, &kernelTime, &userTime));
    const ULONGLONG installerEnded = ULARGE_INTEGER{{exited.dwLowDateTime, exited.dwHighDateTime}}.QuadPart;
    EXPECT_GE((copyShownAt.QuadPart - installerEnded) / 10000 + WAIT_EARLY_MS, 800u);

    const std::vector<std::wstring> expected = {L"Scanning for installed components...",
                                                L"Found 0 components.",
                                                L"Checking directory for components...",
                                                L"Found 2 components.",
                                                L"Setup will install 2 components.",
                                                L"Installing Veltrano Pro...",
                                                L"Copying 64bit Configuration...",
                                                L"Updating Audio Device IDs...",
                                                L"Finishing..."};
    EXPECT_EQ(expected, shownStatuses(observer));
    EXPECT_EQ((std::vector<int>{50, 100}), shownProgress(observer));
    expectWaits(observer, {{L"Scanning for installed components...", L"Found 0 components.", 2000, true},
                           {L"Found 0 components.", L"Checking directory for components...", 500, true},
                           {L"Checking directory for components...", L"Found 2 components.", 2000, true},
                           {L"Found 2 components.", L"Setup will install 2 components.", 500, true},
                           {L"Setup will install 2 components.", L"Installing Veltrano Pro...", 2000, true},
                           {L"Installing Veltrano Pro...", L"Copying 64bit Configuration...", 800, false},
                           {L"Copying 64bit Configuration...", L"Updating Audio Device IDs...", 600, true},
                           {L"Updating Audio Device IDs...", L"Finishing...", 600, false},
                           {L"Finishing...", nullptr, 1000, true}});

    EXPECT_TRUE(isProductRegistered()) << "the real system installer installed the product";
    expectRewrittenRunDatabase(machine.productFolder() + L"\\Profiles.db64", database);
}

TEST(InstallerRun, EmptyFolderRefusesToCloseOrQuitAndEndsAfterTheFixedWaits) {
    const CleanMachine machine;
    ProgramFolder folder;
    ProgramFolder secondFolder;
    UniqueHandle second;
    InstallerObserver observer;
    bool closeTried = false;
    const DWORD exitCode = folder.run(observer, [&](HWND window, const ObservedChange& change) {
        if (closeTried || change.isProgress || change.status != L"Scanning for installed components...") {
            return;
        }
        closeTried = true;
        DWORD secondId = 0;
        second = secondFolder.start(secondId);
        // The close box and Close of the system menu, WM_CLOSE itself, and Alt+F4 at the keyboard.
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageW(window, WM_CLOSE, 0, 0);
        SetForegroundWindow(window);
        INPUT keys[4] = {};
        const WORD codes[4] = {VK_MENU, VK_F4, VK_F4, VK_MENU};
        for (int index = 0; index < 4; ++index) {
            keys[index].type = INPUT_KEYBOARD;
            keys[index].ki.wVk = codes[index];
            keys[index].ki.dwFlags = index >= 2 ? KEYEVENTF_KEYUP : 0;
        }
        SendInput(4, keys, sizeof(INPUT));
        // A quit posted to the main thread from outside ends its message loop early; the window and
        // the run must go on regardless.
        PostThreadMessageW(GetWindowThreadProcessId(window, nullptr), WM_QUIT, 0, 0);
    });
    EXPECT_TRUE(closeTried);
    EXPECT_EQ(0u, exitCode);

    // Several installers may run at once: one started during this run runs its own to the end.
    ASSERT_TRUE(second.isValid());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.get(), RUN_TIMEOUT_MS));
    DWORD secondExitCode = ~0u;
    GetExitCodeProcess(second.get(), &secondExitCode);
    EXPECT_EQ(0u, secondExitCode);
    FILETIME created, exited, kernelTime, userTime;
    ASSERT_TRUE(GetProcessTimes(second.get(), &created, &exited, &kernelTime, &userTime));
    const ULONGLONG lifetimeMs =
        ((ULARGE_INTEGER{{exited.dwLowDateTime, exited.dwHighDateTime}}.QuadPart) -
         (ULARGE_INTEGER{{created.dwLowDateTime, created.dwHighDateTime}}.QuadPart)) /
        10000;
    EXPECT_GE(lifetimeMs + WAIT_EARLY_MS, 8000u) << "the second installer ran its fixed waits";

    const std::vector<std::wstring> expected = {
        L"Scanning for installed components...", L"Found 0 components.",
        L"Checking directory for components...", L"Found 0 components.",
        L"Setup will install 0 components.",     L"Finishing..."};
    EXPECT_EQ(expected, shownStatuses(observer));
    EXPECT_EQ((std::vector<int>{100}), shownProgress(observer));
    const ObservedTime scanning = observer.timeOfStatus(L"Scanning for installed components...");
    const ObservedTime closed = observer.timeClosed();
    EXPECT_GE(closed.atMs - scanning.notBeforeMs + WAIT_EARLY_MS, 8000u);
    EXPECT_LE(static_cast<LONG>(closed.notBeforeMs - scanning.atMs),
              static_cast<LONG>(8000u + WAIT_SLACK_MS * 2))
        << "the close attempts did not disturb the run";

    const WindowGeometry& geometry = observer.geometry();
    EXPECT_EQ(366, geometry.clientRect.right);
    EXPECT_EQ(103, geometry.clientRect.bottom);
    EXPECT_EQ(31, geometry.labelRect.left);
    EXPECT_EQ(25, geometry.labelRect.top);
    EXPECT_EQ(306, geometry.labelRect.right - geometry.labelRect.left);
    EXPECT_EQ(25, geometry.labelRect.bottom - geometry.labelRect.top);
    EXPECT_EQ(30, geometry.barRect.left);
    EXPECT_EQ(52, geometry.barRect.top);
    EXPECT_EQ(306, geometry.barRect.right - geometry.barRect.left);
    EXPECT_EQ(15, geometry.barRect.bottom - geometry.barRect.top);
    EXPECT_EQ(102, geometry.labelId);
    EXPECT_EQ(103, geometry.barId);
    EXPECT_EQ(0, geometry.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME))
        << std::hex << geometry.style;
    EXPECT_EQ(WS_CAPTION | WS_SYSMENU, geometry.style & (WS_CAPTION | WS_SYSMENU));
    // wineOnly: Xvfb's screen (1280x1024), with no taskbar and no window manager that could move the
    // window; on Windows the screen is the primary monitor's, whatever its taskbar covers.
    const int outerWidth = geometry.windowRect.right - geometry.windowRect.left;
    const int outerHeight = geometry.windowRect.bottom - geometry.windowRect.top;
    EXPECT_NEAR((GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2, geometry.windowRect.left, 1);
    EXPECT_NEAR((GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2, geometry.windowRect.top, 1);
}
