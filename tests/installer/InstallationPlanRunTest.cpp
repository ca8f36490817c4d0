// Whole installation runs in this process, every step taken through the plan as the program's window
// takes it, from folders of real packages and configuration files: what the run shows and what it
// leaves on the machine. The waits are not waited; the window, its timing and the exit code are the
// whole program's (tests/app/InstallerRunTest.cpp).

#include "support/CleanMachine.h"
#include "support/PlanRun.h"
#include "support/ProductRegistryValue.h"
#include "support/SampleDatabase.h"
#include "support/ShellFolderRedirection.h"
#include "support/TemporaryFolder.h"
#include "support/TestPackages.h"

#include "foundation/KFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void put(const KString& path, const std::string& bytes) {
    EXPECT_TRUE(writeFileBytes(path, bytes.data(), static_cast<unsigned long>(bytes.size())))
        << KString(path).utf8() << ": error " << GetLastError();
}

} // namespace

TEST(InstallationPlanRun, FullFolderInstallsEverythingAndCopiesEveryFile) {
    const CleanMachine machine;
    const TemporaryFolder folder;
    for (const wchar_t* name : PRODUCT_PACKAGES) {
        EXPECT_TRUE(CopyFileW(testPackage(name).text(), folder.join(name).text(), FALSE)) << GetLastError();
    }
    const DatabaseFile database = runDatabase();
    put(folder.join(L"\\Profiles.db64"), database.bytes);
    put(folder.join(L"\\Profiles.db"), database.bytes);
    put(folder.join(L"\\Autostart.dat64"), "start-up 64");
    put(folder.join(L"\\Autostart.dat"), "start-up 32");
    // Already in the per-user folder: counted by the first scan, replaced all the same.
    ASSERT_TRUE(CreateDirectoryW(machine.productFolder().text(), nullptr)) << GetLastError();
    ASSERT_TRUE(writeFileBytes(machine.productFolder() + L"\\Autostart.dat", "old", 3));

    PlanRun run(folder.path());
    run.run();

    EXPECT_TRUE(run.closed);
    const std::vector<std::wstring> expected = {
        L"Scanning for installed components...",   L"Found 1 components.",
        L"Checking directory for components...",   L"Found 8 components.",
        L"Setup will install 8 components.",       L"Installing Veltrano Pro...",
        L"Installing Clockline Plug-In...",        L"Installing Driftcast Plug-In...",
        L"Installing Panelgate Plug-In...",        L"Copying 64bit Configuration...",
        L"Updating Audio Device IDs...",           L"Copying 32bit Configuration...",
        L"Updating Audio Device IDs...",           L"Copying 64bit Startup Configuration...",
        L"Copying 32bit Startup Configuration...", L"Finishing..."};
    EXPECT_EQ(expected, run.statuses);
    EXPECT_EQ((std::vector<int>{12, 25, 37, 50, 62, 75, 87, 100}), run.progress);

    EXPECT_TRUE(isProductRegistered());
    for (int plugin = 0; plugin < 3; ++plugin) {
        EXPECT_TRUE(KFile::exists(pluginModuleFile(plugin))) << KString(pluginModuleFile(plugin)).utf8();
    }
    expectRewrittenRunDatabase(machine.productFolder() + L"\\Profiles.db64", database);
    expectRewrittenRunDatabase(machine.productFolder() + L"\\Profiles.db", database);
    std::string bytes;
    ASSERT_TRUE(readFileBytes(machine.productFolder() + L"\\Autostart.dat", bytes));
    EXPECT_EQ("start-up 32", bytes);
    ASSERT_TRUE(readFileBytes(machine.productFolder() + L"\\Autostart.dat64", bytes));
    EXPECT_EQ("start-up 64", bytes);
}

TEST(InstallationPlanRun, CopyAndRewriteFollowTheOneAppDataAnswerOfTheFirstScan) {
    const CleanMachine machine;
    const TemporaryFolder folder;
    put(folder.join(L"\\Profiles.db64"), runDatabase().bytes);
    // The first scan finds no AppData folder; from the second scan on it can be found again.
    UndeterminableAppData undeterminable;
    ASSERT_TRUE(undeterminable.changed);

    PlanRun run(folder.path(), [&](const RunStep& step) {
        if (step.action == RunAction::SCAN_FOLDER) {
            undeterminable.restore();
        }
    });
    run.run();

    EXPECT_TRUE(run.closed);
    EXPECT_FALSE(undeterminable.changed) << "the second scan was never made";
    const std::vector<std::wstring> expected = {
        L"Scanning for installed components...", L"Found 0 components.",
        L"Checking directory for components...", L"Found 1 components.",
        L"Setup will install 1 components.",     L"Copying 64bit Configuration...",
        L"Updating Audio Device IDs...",         L"Finishing..."};
    EXPECT_EQ(expected, run.statuses);
    // The rewrite had no folder to go to, so the copy had none either: no database is left behind
    // with another machine's identifiers.
    const KString copy = machine.productFolder() + L"\\Profiles.db64";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(copy.text())) << "a copy that was never rewritten";
}
