// The run's decisions, made in-process on real registry values, module files, product folders and
// program folders: what each scan finds, what it counts, which steps it takes.

#include "installer/InstallationPlan.h"
#include "installer/PackageListing.h"
#include "support/CleanMachine.h"
#include "support/ProductRegistryValue.h"
#include "support/ShellFolderRedirection.h"
#include "support/TestPackages.h"

#include "support/TemporaryFolder.h"
#include "support/UnixSymbolicLink.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const wchar_t* const CONFIGURATION_NAMES[] = {L"\\Profiles.db64", L"\\Profiles.db", L"\\Autostart.dat64",
                                              L"\\Autostart.dat"};

void touch(const KString& path) {
    ASSERT_TRUE(writeFileBytes(path, "x", 1)) << KString(path).utf8() << ": error " << GetLastError();
}

// The run's steps as text, scanning as the run does but the folder given, and examining each copy as
// the check does.
class StepRecorder : public RunStepVisitor {
public:
    StepRecorder(InstallationPlan& plan, const KString& folder) : plan(plan), folder(folder) {}

    void visit(const RunStep& step) override {
        switch (step.action) {
        case RunAction::SHOW_STATUS:
            steps.push_back(L"show " + std::wstring(step.status.text()));
            break;
        case RunAction::WAIT:
            steps.push_back(L"wait " + std::to_wstring(step.waitMs));
            waitedMs += step.waitMs;
            break;
        case RunAction::SCAN_MACHINE:
            plan.scanMachine();
            steps.push_back(L"scan the machine");
            break;
        case RunAction::SCAN_FOLDER:
            plan.scanFolder(folder);
            steps.push_back(L"scan the folder");
            break;
        case RunAction::RECOVER_LEFTOVERS:
            steps.push_back(L"recover " + std::to_wstring(step.item));
            break;
        case RunAction::INSTALL:
            steps.push_back(L"install " + std::to_wstring(step.item));
            break;
        case RunAction::MAKE_PRODUCT_FOLDER:
            steps.push_back(L"make the product folder");
            break;
        case RunAction::COPY:
            plan.examineCopy(step.item);
            steps.push_back(L"copy " + std::to_wstring(step.item));
            break;
        case RunAction::REWRITE_DEVICES:
            steps.push_back(L"rewrite " + std::to_wstring(step.item));
            break;
        case RunAction::ADVANCE_PROGRESS:
            steps.push_back(L"progress " + std::to_wstring(step.percent));
            break;
        case RunAction::FILL_PROGRESS:
            steps.push_back(L"progress 100");
            break;
        case RunAction::CLOSE:
            steps.push_back(L"close");
            break;
        }
    }

    std::vector<std::wstring> steps;
    DWORD waitedMs = 0;

private:
    InstallationPlan& plan;
    const KString folder;
};

TEST(InstallationPlan, MachineScanFindsAndCountsWhatIsInstalled) {
    const DWORD build = 1530;
    const wchar_t longText[] = L"1530";
    const struct {
        const char* what;
        DWORD buildType; // REG_NONE: no value
        const void* buildData;
        DWORD buildBytes;
        bool productInstalled;
        std::vector<int> plugins;
        std::vector<const wchar_t*> configurationThere;
        int count;
    } cases[] = {
        {"nothing", REG_NONE, nullptr, 0, false, {}, {}, 0},
        {"the product by a DWORD, one plug-in, two files",
         REG_DWORD,
         &build,
         sizeof(build),
         true,
         {1},
         {L"\\Profiles.db", L"\\Autostart.dat"},
         4},
        {"a Build text longer than four bytes, every plug-in",
         REG_SZ,
         longText,
         sizeof(longText),
         false,
         {0, 1, 2},
         {},
         3},
        {"every file there",
         REG_NONE,
         nullptr,
         0,
         false,
         {2},
         {L"\\Profiles.db64", L"\\Profiles.db", L"\\Autostart.dat64", L"\\Autostart.dat"},
         5},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CleanMachine machine;
        if (test.buildType != REG_NONE) {
            ASSERT_EQ(ERROR_SUCCESS, writeProductValue(PACKAGE_REGISTRY_VIEW, test.buildType, test.buildData,
                                                       test.buildBytes));
        }
        for (const int plugin : test.plugins) {
            machine.installPluginModule(plugin);
        }
        for (const wchar_t* name : test.configurationThere) {
            machine.putInProductFolder(name);
        }

        InstallationPlan plan;
        plan.scanMachine();

        EXPECT_EQ(test.productInstalled, plan.isInstalled(VELTRANO_PRO));
        for (int plugin = 0; plugin < 3; ++plugin) {
            bool expected = false;
            for (const int installed : test.plugins) {
                expected = expected || installed == plugin;
            }
            EXPECT_EQ(expected, plan.isInstalled(plugin + 1)) << "plug-in " << plugin;
        }
        for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
            bool expected = false;
            for (const wchar_t* name : test.configurationThere) {
                expected = expected || std::wstring(name) == CONFIGURATION_NAMES[configuration];
            }
            EXPECT_EQ(expected, plan.isInProductFolder(configuration)) << "file " << configuration;
        }
        EXPECT_EQ(test.count, plan.machineCount());
        EXPECT_STREQ(machine.productFolder().text(), plan.productFolder().text());
        if (test.productInstalled) {
            EXPECT_EQ(static_cast<DWORD>(REG_DWORD), plan.productBuild().type);
            EXPECT_EQ(build, plan.productBuild().data);
        }
    }
}

// The second scan and the steps it leads to: what is installed is never installed again, what has no
// package is neither counted nor installed, and every configuration file offered is copied.
TEST(InstallationPlan, StepsFollowFromBothScans) {
    const DWORD build = 153;
    const struct {
        const char* what;
        bool productInstalled;
        std::vector<int> plugins; // installed
        std::vector<const wchar_t*> folder;
        std::vector<const wchar_t*> configurationThere;
        std::vector<const wchar_t*> installed; // the package of each product that installs, or null
        int offered;
        int total;
        DWORD leastWaitMs;
    } cases[] = {
        {"an empty folder", false, {}, {}, {}, {nullptr, nullptr, nullptr, nullptr}, 0, 0, 8000},
        {"one product and one database",
         false,
         {},
         {L"\\VN1.5.3 Setup.msi", L"\\Profiles.db64"},
         {},
         {L"\\VN1.5.3 Setup.msi", nullptr, nullptr, nullptr},
         2,
         2,
         10000},
        {"everything installed, every package offered, a start-up file there already",
         true,
         {0, 1, 2},
         {L"\\VN1.5.9 Setup.msi", L"\\Clockline Plug-In v1.4 Setup.msi",
          L"\\Driftcast Plug-In v1.0 Setup.msi", L"\\Panelgate Plug-In v1.2 Setup.msi", L"\\Autostart.dat"},
         {L"\\Autostart.dat"},
         {nullptr, nullptr, nullptr, nullptr},
         5,
         1,
         8600},
        {"missing plug-ins without packages, every file",
         false,
         {1},
         {L"\\Clockline Plug-In v1.1 Setup.msi", L"\\Driftcast Plug-In v1.3 Setup.msi", L"\\Profiles.db64",
          L"\\Profiles.db", L"\\Autostart.dat64", L"\\Autostart.dat"},
         {},
         {nullptr, L"\\Clockline Plug-In v1.1 Setup.msi", nullptr, nullptr},
         6,
         5,
         12400},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CleanMachine machine;
        if (test.productInstalled) {
            ASSERT_EQ(ERROR_SUCCESS,
                      writeProductValue(PACKAGE_REGISTRY_VIEW, REG_DWORD, &build, sizeof(build)));
        }
        for (const int plugin : test.plugins) {
            machine.installPluginModule(plugin);
        }
        for (const wchar_t* name : test.configurationThere) {
            machine.putInProductFolder(name);
        }
        const TemporaryFolder folder;
        for (const wchar_t* name : test.folder) {
            touch(folder.join(name));
        }

        InstallationPlan plan;
        StepRecorder recorder(plan, folder.path());
        plan.forEachStep(recorder);

        for (int product = 0; product < PRODUCT_COUNT; ++product) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(PRODUCTS[product].displayName)));
            const wchar_t* const expected = test.installed[product];
            EXPECT_EQ(expected != nullptr, plan.installs(product));
            if (expected != nullptr) {
                EXPECT_STREQ(folder.join(expected).text(), plan.package(product).text());
            }
        }
        for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
            const KString source = folder.join(CONFIGURATION_NAMES[configuration]);
            EXPECT_STREQ(source.text(), plan.source(configuration).text());
            EXPECT_EQ(GetFileAttributesW(source.text()) != INVALID_FILE_ATTRIBUTES,
                      plan.isOffered(configuration));
        }
        EXPECT_EQ(test.offered, plan.folderCount());
        EXPECT_EQ(test.total, plan.stepTotal());
        EXPECT_EQ(test.leastWaitMs, recorder.waitedMs);
    }
}

// The whole run as the plan lists it: texts, waits, the scans, the steps and the progress, in order;
// the product folder made before the first copy into it, and what a stopped copy left put right
// after the first scan.
TEST(InstallationPlan, ListsEveryStepOfTheRunInOrder) {
    const std::vector<std::wstring> opening = {L"show Scanning for installed components...",
                                               L"scan the machine"};
    const std::vector<std::wstring> scans = {L"wait 2000",       L"show Found 0 components.",
                                             L"wait 500",        L"show Checking directory for components...",
                                             L"scan the folder", L"wait 2000"};
    const std::vector<std::wstring> closing = {L"progress 100", L"show Finishing...", L"wait 1000", L"close"};
    const struct {
        const char* what;
        std::vector<const wchar_t*> folder;
        const wchar_t* leftover; // in the product folder, which is there only with one
        std::vector<std::wstring> steps;
    } cases[] = {
        {"a product, a database and a start-up file, no product folder yet",
         {L"\\VN1.5.3 Setup.msi", L"\\Profiles.db64", L"\\Autostart.dat"},
         nullptr,
         {L"show Found 3 components.",
          L"wait 500",
          L"show Setup will install 3 components.",
          L"wait 2000",
          L"show Installing Veltrano Pro...",
          L"install 0",
          L"wait 800",
          L"progress 33",
          L"show Copying 64bit Configuration...",
          L"make the product folder",
          L"copy 0",
          L"wait 600",
          L"show Updating Audio Device IDs...",
          L"rewrite 0",
          L"wait 600",
          L"progress 66",
          L"show Copying 32bit Startup Configuration...",
          L"copy 3",
          L"wait 600",
          L"progress 100"}},
        {"nothing offered, the user's file moved aside by a stopped copy",
         {},
         L"\\Profiles.db.pellmont-old",
         {L"show Found 0 components.", L"wait 500", L"show Setup will install 0 components.", L"wait 2000"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CleanMachine machine;
        if (test.leftover != nullptr) {
            machine.putInProductFolder(test.leftover);
        }
        const TemporaryFolder folder;
        for (const wchar_t* name : test.folder) {
            touch(folder.join(name));
        }

        InstallationPlan plan;
        StepRecorder recorder(plan, folder.path());
        plan.forEachStep(recorder);

        std::vector<std::wstring> expected = opening;
        if (test.leftover != nullptr) {
            expected.push_back(L"recover 1");
            EXPECT_EQ(LeftoverRecovery::PUT_BACK, plan.leftovers(1).recovery(Leftover::MOVED_ASIDE));
        }
        expected.insert(expected.end(), scans.begin(), scans.end());
        expected.insert(expected.end(), test.steps.begin(), test.steps.end());
        expected.insert(expected.end(), closing.begin(), closing.end());
        EXPECT_EQ(expected, recorder.steps);
    }
}

// Every name like a package of the product, as the file system tells names apart: ordinally and
// without regard to letter case.
TEST(InstallationPlan, NamesLikePackagesAreListedWithWhatTheScanDoesWithThem) {
    const TemporaryFolder folder;
    touch(folder.join(L"\\vn1.5.7 SETUP.msi"));
    touch(folder.join(L"\\VN1.5.3 Setup.msi"));
    touch(folder.join(L"\\VN1.6.0 Setup.msi"));
    // A soft hyphen: a linguistic comparison ignores it, the file system does not.
    touch(folder.join(L"\\VN1.5\u00AD.4 Setup.msi"));
    ASSERT_TRUE(CreateDirectoryW(folder.join(L"\\VN1.5.1 Setup.msi").text(), nullptr)) << GetLastError();
    ASSERT_TRUE(CreateDirectoryW(folder.join(L"\\VN2 Setup.msi").text(), nullptr)) << GetLastError();
    touch(folder.join(L"\\Clockline Plug-In v1.5 Setup.msi"));

    InstallationPlan plan;
    plan.scanFolder(folder.path());
    const PackageListing listing(plan);

    EXPECT_STREQ(folder.join(L"\\VN1.5.3 Setup.msi").text(), plan.package(VELTRANO_PRO).text());
    using Listed = std::vector<std::pair<std::wstring, PackageTreatment>>;
    const auto listed = [&](int product) {
        Listed names;
        for (const PackageCandidates::Entry* entry = listing.candidates(product).first(); entry != nullptr;
             entry = entry->next) {
            names.emplace_back(entry->name.text(), entry->treatment);
        }
        // The file system's order of the names that no table holds is its own.
        std::sort(names.begin() + std::min<size_t>(names.size(), product == 0 ? 3 : 0), names.end());
        return names;
    };
    EXPECT_EQ((Listed{{L"VN1.5.1 Setup.msi", PackageTreatment::FOLDER},
                      {L"VN1.5.3 Setup.msi", PackageTreatment::CHOSEN},
                      {L"VN1.5.7 Setup.msi", PackageTreatment::HIGHER_VERSION},
                      {L"VN1.5\u00AD.4 Setup.msi", PackageTreatment::UNKNOWN_VERSION},
                      {L"VN1.6.0 Setup.msi", PackageTreatment::UNKNOWN_VERSION},
                      {L"VN2 Setup.msi", PackageTreatment::FOLDER}}),
              listed(0));
    EXPECT_EQ((Listed{{L"Clockline Plug-In v1.5 Setup.msi", PackageTreatment::UNKNOWN_VERSION}}), listed(1));
    EXPECT_TRUE(listed(2).empty());
    EXPECT_TRUE(plan.package(1).isEmpty());
}

} // namespace

// However the AppData folder is spelt where the user set it, the plan holds one name for it, and the
// copy the check foretells is the copy the run makes.
TEST(InstallationPlan, EverySpellingOfTheAppDataFolderLeadsToTheSameCopy) {
    const TemporaryFolder appData;
    const TemporaryFolder programFolder;
    touch(programFolder.join(L"\\Profiles.db64"));
    const std::wstring folder = appData.path().text();
    const std::wstring parent = folder.substr(0, folder.rfind(L'\\'));
    const std::wstring last = folder.substr(folder.rfind(L'\\') + 1);
    std::wstring slashed = folder;
    for (wchar_t& unit : slashed) {
        unit = unit == L'\\' ? L'/' : unit;
    }
    const std::wstring spellings[] = {
        folder + L"\\", parent + L"\\.\\" + last, folder + L"\\..\\" + last, folder + L".",
        slashed,        L"\\\\.\\" + folder};
    for (const std::wstring& spelling : spellings) {
        SCOPED_TRACE(testing::PrintToString(spelling));
        const RedirectedAppData redirected(KString(spelling.c_str(), KString::COPY_TEXT));
        ASSERT_TRUE(redirected.changed);
        InstallationPlan plan;
        plan.scanMachine();
        plan.scanFolder(programFolder.path());
        // A device path keeps its prefix: one folder, and the same decisions.
        EXPECT_EQ(spelling.compare(0, 4, L"\\\\.\\") == 0 ? L"\\\\.\\" + folder : folder,
                  plan.appDataFolder().text());
        EXPECT_EQ(CopyDecision::COPY_NEW, plan.examineCopy(0));

        RunStep copy;
        copy.action = RunAction::COPY;
        plan.perform(copy);
        const KString copied = appData.join(L"\\Veltrano Pro\\Profiles.db64");
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(copied.text()));
        DeleteFileW(copied.text());
        RemoveDirectoryW(appData.join(L"\\Veltrano Pro").text());
    }
}

// Whether the desktop user's product folder lies in that user's profile, as the file system resolves
// the AppData folder: a name within it that leads elsewhere is outside, and so is a folder whose name
// merely begins like the profile's.
TEST(InstallationPlan, ProductFolderInTheProfileIsJudgedWhereItsAppDataFolderLeads) {
    wchar_t profileText[MAX_PATH] = {};
    ASSERT_TRUE(
        SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profileText)));
    const KString profile(profileText, KString::COPY_TEXT);
    const KString suffix = L"-pellmont-test-" + KString(static_cast<int>(GetCurrentProcessId()));
    const KString outside = L"C:\\pellmont-test-outside" + suffix;
    const KString inside = profile + L"\\pellmont-test-inside" + suffix;
    const KString alike = profile + suffix;
    for (const KString& folder : {outside, inside, alike}) {
        ASSERT_TRUE(CreateDirectoryW(folder.text(), nullptr))
            << KString(folder).utf8() << ": " << GetLastError();
    }
    const UnixSymbolicLink link(outside, profile + L"\\pellmont-test-link" + suffix);
    ASSERT_TRUE(link.isMade()) << link.whyNotMade();
    const struct {
        const char* what;
        KString appData;
        bool inProfile;
    } cases[] = {
        {"a folder in the profile", inside, true},
        {"a folder outside", outside, false},
        {"a link in the profile to a folder outside", profile + L"\\pellmont-test-link" + suffix, false},
        {"a folder beside the profile whose name begins with the profile's", alike, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        const RedirectedAppData redirected(test.appData);
        ASSERT_TRUE(redirected.changed);
        InstallationPlan plan;
        plan.scanMachine();
        ASSERT_STREQ(test.appData.text(), plan.appDataFolder().text());
        EXPECT_EQ(test.inProfile, plan.isProductFolderInProfile());
    }
    for (const KString& folder : {outside, inside, alike}) {
        RemoveDirectoryW(folder.text());
    }
}
