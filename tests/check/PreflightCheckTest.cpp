// The pre-flight check as operators run it, on folders of real packages and databases, against this
// machine's endpoints and what real packages installed: the real program where its output and exit
// code matter, its command in this process otherwise; then an installation run on the same folder,
// in this process, held to what the check said.

#include "support/CleanMachine.h"
#include "support/DefaultUserProfile.h"
#include "support/EndpointList.h"
#include "support/PlanRun.h"
#include "support/ProductRegistryValue.h"
#include "support/Programs.h"
#include "support/SameBytes.h"
#include "support/SampleDatabase.h"
#include "support/SessionsUnderTest.h"
#include "support/ShellFolderRedirection.h"
#include "support/TestPackages.h"
#include "support/TestPaths.h"
#include "support/TestShell.h"

#include "check/CheckCommand.h"

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"
#include "support/StartupGuard.h"
#include "support/TemporaryFolder.h"
#include "support/UnixSymbolicLink.h"
#include "support/WineOnly.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr DWORD CHECK_TIMEOUT_MS = 30000;

const wchar_t* const CONFIGURATION_NAMES[] = {L"\\Profiles.db64", L"\\Profiles.db", L"\\Autostart.dat64",
                                              L"\\Autostart.dat"};

std::wstring moduleFile(int plugin) {
    return pluginModuleFile(plugin).text();
}

// A folder as the operator prepares it, on a machine where one real package is installed.
struct FolderScene {
    const wchar_t* installedPackage;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> packages; // name in the folder, test package
    const wchar_t* folderLikePackage;                                // or null
    DatabaseDescription database;                                    // as Profiles.db64
    bool withStartupFile;
    const wchar_t* fileAlreadyThere; // in the per-user product folder, or null
};

// A way fleet tools run the check: with a desktop shell or not, the sessions the system lists, as the
// system account or another, with a default user profile recorded or not.
struct Deployment {
    bool withShell;
    std::vector<SessionsUnderTest::Session> sessions;
    bool runsAsSystem;
    bool defaultProfileRecorded;
};

// The check's command run in this process, and what its report and exit code must be.
struct CommandCase {
    const char* what;
    std::vector<std::wstring> arguments;
    std::vector<const wchar_t*> files;    // copies of a test package
    DWORD build;                          // the product's "Build" value; 0 for none
    std::optional<Deployment> deployment; // none: as this machine answers
    DWORD exitCode;
    std::vector<std::wstring> lines; // in the report, in this order
};

std::wstring joined(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) {
        text += line + L"\n";
    }
    return text;
}

// A clean machine; a folder the operator prepares; this machine's endpoints.
class PreflightCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        endpoints = activeEndpoints();
        CoUninitialize();
        for (const wchar_t* name :
             {L"Speakers (Studio USB)", L"Microphone (Studio USB)", L"Line 1", L"Headphones"}) {
            ASSERT_FALSE(idOf(name).empty()) << "no endpoint " << testing::PrintToString(std::wstring(name))
                                             << "; is the test platform's PulseAudio running?";
        }
    }

    static void install(const wchar_t* package) {
        ASSERT_EQ(0u, installTestPackage(package))
            << "installing " << testing::PrintToString(std::wstring(package));
    }

    std::wstring productFolder() const { return machine.productFolder().text(); }

    void prepare(const FolderScene& scene) {
        ASSERT_NO_FATAL_FAILURE(install(scene.installedPackage));
        for (const auto& package : scene.packages) {
            addCopy(package.first, testPackage(package.second));
        }
        if (scene.folderLikePackage != nullptr) {
            ASSERT_TRUE(CreateDirectoryW(folder.join(scene.folderLikePackage).text(), nullptr))
                << GetLastError();
        }
        addFile(L"\\Profiles.db64", buildDatabase(scene.database).bytes);
        if (scene.withStartupFile) {
            addFile(L"\\Autostart.dat", "startup");
        }
        if (scene.fileAlreadyThere != nullptr) {
            CreateDirectoryW(machine.productFolder().text(), nullptr);
            ASSERT_TRUE(writeFileBytes(machine.productFolder() + scene.fileAlreadyThere, "x", 1));
        }
    }

    // Runs each case's command in this process, in the folder with copies of a test package, and holds
    // the exit code and the report's lines to the case.
    void expectCommandCases(const std::vector<CommandCase>& cases) {
        for (const CommandCase& test : cases) {
            SCOPED_TRACE(test.what);
            const std::optional<Deployment>& deployment = test.deployment;
            for (const wchar_t* name : test.files) {
                addCopy(name, testPackage(L"\\VN1.5.3 Setup.msi"));
            }
            deleteProductKey(PACKAGE_REGISTRY_VIEW);
            if (test.build != 0) {
                ASSERT_EQ(ERROR_SUCCESS, writeProductValue(PACKAGE_REGISTRY_VIEW, REG_DWORD, &test.build,
                                                           sizeof(test.build)));
            }
            std::unique_ptr<TestShell> shell;
            std::unique_ptr<SessionsUnderTest> sessions;
            std::unique_ptr<DefaultUserProfile> profile;
            if (deployment) {
                if (deployment->withShell) {
                    shell = std::make_unique<TestShell>();
                    ASSERT_TRUE(shell->isRunning());
                }
                sessions =
                    std::make_unique<SessionsUnderTest>(deployment->sessions, deployment->runsAsSystem);
                if (deployment->defaultProfileRecorded) {
                    profile = std::make_unique<DefaultUserProfile>();
                    ASSERT_TRUE(profile->isRecorded());
                }
            }
            std::vector<std::wstring> report;
            EXPECT_EQ(test.exitCode,
                      runCheckHere(report, test.arguments, sessions ? &sessions->queries : nullptr));
            auto from = report.begin();
            for (const std::wstring& expected : test.lines) {
                from = std::find(from, report.end(), expected);
                EXPECT_NE(report.end(), from)
                    << "no line " << testing::PrintToString(expected) << " in order in\n"
                    << testing::PrintToString(joined(report));
            }
            for (const wchar_t* name : test.files) {
                DeleteFileW(folder.join(name).text());
            }
        }
    }

    void addCopy(const wchar_t* name, const KString& source) {
        EXPECT_TRUE(CopyFileW(source.text(), folder.join(name).text(), FALSE)) << GetLastError();
    }

    void addFile(const wchar_t* name, const std::string& bytes) {
        EXPECT_TRUE(
            writeFileBytes(folder.join(name), bytes.data(), static_cast<unsigned long>(bytes.size())));
    }

    std::wstring idOf(const std::wstring& name) const { return firstEndpointId(endpoints, name); }

    std::wstring checkedFolder() const { return folder.path().text(); }

    // Runs the check program on the folder, its report going to a file elsewhere; the exit code.
    DWORD runCheck(std::vector<std::wstring>& lines) {
        const KString reportPath = reportFolder.join(L"\\report.txt");
        SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
        DWORD exitCode = ~0u;
        {
            const UniqueFileHandle report(CreateFileW(reportPath.text(), GENERIC_WRITE, FILE_SHARE_READ,
                                                      &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                      nullptr));
            EXPECT_TRUE(report.isValid()) << "cannot make the report file: " << GetLastError();
            exitCode = runProgram(KString(CHECK_PROGRAM, KString::REFER_STATIC),
                                  L" \"" + folder.path() + L"\"", CHECK_TIMEOUT_MS, report.get());
        }
        readReport(reportPath, lines);
        return exitCode;
    }

    // Runs the check's command in this process with the arguments, and the sessions given, its report
    // going to a file; the exit code.
    DWORD runCheckHere(std::vector<std::wstring>& lines, const std::vector<std::wstring>& arguments,
                       const SessionQueries* sessions) {
        const KString reportPath = reportFolder.join(L"\\report.txt");
        std::vector<const wchar_t*> argumentVector = {L"PellmontCheck.exe"};
        for (const std::wstring& argument : arguments) {
            argumentVector.push_back(argument.c_str());
        }
        int exitCode = -1;
        {
            const UniqueFileHandle report(CreateFileW(reportPath.text(), GENERIC_WRITE, FILE_SHARE_READ,
                                                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                      nullptr));
            EXPECT_TRUE(report.isValid()) << "cannot make the report file: " << GetLastError();
            exitCode = runCheckCommand(static_cast<int>(argumentVector.size()), argumentVector.data(),
                                       report.get(), sessions);
        }
        readReport(reportPath, lines);
        return static_cast<DWORD>(exitCode);
    }

    static void readReport(const KString& reportPath, std::vector<std::wstring>& lines) {
        std::string bytes;
        EXPECT_TRUE(readFileBytes(reportPath, bytes));
        const std::wstring text = KString(bytes.c_str()).text();
        lines.clear();
        for (size_t start = 0; start < text.size();) {
            const size_t end = text.find(L"\r\n", start);
            EXPECT_NE(std::wstring::npos, end) << "a report line without its line break";
            lines.push_back(text.substr(start, end - start));
            start = end == std::wstring::npos ? text.size() : end + 2;
        }
    }

    CleanMachine machine;
    TemporaryFolder folder;
    TemporaryFolder reportFolder;
    std::vector<Endpoint> endpoints;
};

// The lines of the installed-state part that do not depend on the case.
std::vector<std::wstring> installedLines(const std::wstring& productFolder, const wchar_t* product,
                                         const wchar_t* installedPlugin, const std::wstring& presentFiles) {
    std::vector<std::wstring> lines = {L"Installed on this machine",
                                       std::wstring(L"  Veltrano Pro: ") + product};
    for (int plugin = 0; plugin < 3; ++plugin) {
        const bool installed = installedPlugin != nullptr && std::wstring(PLUGINS[plugin]) == installedPlugin;
        lines.push_back(std::wstring(L"  ") + PLUGINS[plugin] + L" Plug-In: " +
                        (installed ? L"installed, " : L"not installed, no file ") + moduleFile(plugin));
    }
    lines.push_back(
        wineOnly<std::wstring>(L"  Desktop user: the user signed in at the console (no desktop shell in "
                               L"this session)",
                               "the owner of the desktop shell, which runs in a signed-in user's session"));
    lines.push_back(L"  Product folder: " + productFolder);
    lines.push_back(L"  Configuration files there: " + presentFiles);
    return lines;
}

void append(std::vector<std::wstring>& lines, const std::vector<std::wstring>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
}

} // namespace

// The whole report and the exit code of a folder that needs attention: the lowest of two product
// versions, an unknown plug-in version, a folder named like a package and an unknown device, against a
// plug-in that a real package installed.
TEST_F(PreflightCheck, ReportsWhatTheInstallerWouldDoWhereAFolderNeedsAttention) {
    ASSERT_NO_FATAL_FAILURE(
        prepare({L"\\Driftcast Plug-In v1.2 Setup.msi",
                 {{L"\\VN1.5.3 Setup.msi", L"\\VN1.5.3 Setup.msi"},
                  {L"\\VN1.5.7 Setup.msi", L"\\VN1.5.3 Setup.msi"},
                  {L"\\Clockline Plug-In v1.5 Setup.msi", L"\\Clockline Plug-In v1.0 Setup.msi"},
                  {L"\\Driftcast Plug-In v1.2 Setup.msi", L"\\Driftcast Plug-In v1.2 Setup.msi"}},
                 L"\\Panelgate Plug-In v1.0 Setup.msi",
                 deviceDatabase(L"Speakers (Studio USB)", L"No Such Device", L"Line 1", L"Tone Source"),
                 false,
                 nullptr}));
    std::vector<std::wstring> lines = {L"Pellmont pre-flight check of " + checkedFolder(), L""};
    append(lines, installedLines(productFolder(),
                                 L"not installed (no readable \"Build\" value under "
                                 L"HKLM\\SOFTWARE\\Quillmark\\VeltranoPro)",
                                 L"Driftcast", L"none"));
    append(lines, {L"",
                   L"Packages",
                   L"  Veltrano Pro: would be installed from VN1.5.3 Setup.msi",
                   L"    ProductCode " + std::wstring(VELTRANO_PRODUCT_CODE) + L", ProductVersion 1.5.3",
                   L"    VN1.5.7 Setup.msi: not used, a higher version",
                   L"      ProductCode " + std::wstring(VELTRANO_PRODUCT_CODE) + L", ProductVersion 1.5.3",
                   L"  Clockline Plug-In: no package offered; it would not be installed",
                   L"    Clockline Plug-In v1.5 Setup.msi: not used, a version the installer does not know",
                   L"      ProductCode " + std::wstring(CLOCKLINE_PRODUCT_CODE) + L", ProductVersion 1.0",
                   L"  Driftcast Plug-In: installed already, no package would be used",
                   L"  Panelgate Plug-In: no package offered; it would not be installed",
                   L"    Panelgate Plug-In v1.0 Setup.msi: not used, a folder",
                   L"",
                   L"Configuration files",
                   L"  Profiles.db64: would be copied, and its devices rewritten:",
                   L"    header, first device \"Speakers (Studio USB)\": has the endpoint " +
                       idOf(L"Speakers (Studio USB)") +
                       L", but keeps its old identifier: the rewrite stops before it stores the header",
                   L"    header, second device \"No Such Device\": no active endpoint has this name; the "
                   L"rewrite stops here",
                   L"    device-pair record, first device \"Line 1\": not reached",
                   L"    device-pair record, second device \"Tone Source\": not reached",
                   L"    Would keep their old identifiers: \"Speakers (Studio USB)\", \"No Such Device\", "
                   L"\"Line 1\"",
                   L"  Profiles.db: not in the folder",
                   L"  Autostart.dat64: not in the folder",
                   L"  Autostart.dat: not in the folder",
                   L"",
                   L"Run",
                   L"  \"Scanning for installed components...\": this machine is scanned, wait 2.0 s",
                   L"  \"Found 1 components.\": wait 0.5 s",
                   L"  \"Checking directory for components...\": this folder is scanned, wait 2.0 s",
                   L"  \"Found 3 components.\": wait 0.5 s",
                   L"  \"Setup will install 2 components.\": wait 2.0 s",
                   L"  \"Installing Veltrano Pro...\": VN1.5.3 Setup.msi is installed, wait 0.8 s, the bar "
                   L"at 50%",
                   L"  \"Copying 64bit Configuration...\": the product folder is made, Profiles.db64 is "
                   L"copied, "
                   L"wait 0.6 s",
                   L"  \"Updating Audio Device IDs...\": the copy's devices are rewritten, wait 0.6 s, the "
                   L"bar at "
                   L"100%, the bar filled",
                   L"  \"Finishing...\": wait 1.0 s, the window closes",
                   L"  2 steps; at least 10.0 seconds of fixed waits, and each installation takes its own "
                   L"time besides",
                   L"",
                   L"Result: exit code 1: a package would be passed over; a database device would not be "
                   L"updated"});

    std::vector<std::wstring> report;
    EXPECT_EQ(1u, runCheck(report));
    EXPECT_EQ(joined(lines), joined(report));
}

// The whole report and the exit code of a folder where everything matches, against the product that a
// real package installed.
TEST_F(PreflightCheck, ReportsWhatTheInstallerWouldDoWhereEverythingMatches) {
    ASSERT_NO_FATAL_FAILURE(
        prepare({L"\\VN1.5.3 Setup.msi",
                 {{L"\\VN1.5.3 Setup.msi", L"\\VN1.5.3 Setup.msi"},
                  {L"\\Clockline Plug-In v1.0 Setup.msi", L"\\Clockline Plug-In v1.0 Setup.msi"}},
                 nullptr,
                 deviceDatabase(L"Microphone (Studio USB)", L"Silent Sink", L"Headphones", L"Line 1"),
                 true,
                 L"\\Profiles.db"}));
    std::vector<std::wstring> lines = {L"Pellmont pre-flight check of " + checkedFolder(), L""};
    append(lines, installedLines(productFolder(), L"installed, Build 153", nullptr, L"Profiles.db"));
    append(lines,
           {L"",
            L"Packages",
            L"  Veltrano Pro: installed already, no package would be used",
            L"  Clockline Plug-In: would be installed from Clockline Plug-In v1.0 Setup.msi",
            L"    ProductCode " + std::wstring(CLOCKLINE_PRODUCT_CODE) + L", ProductVersion 1.0",
            L"  Driftcast Plug-In: no package offered; it would not be installed",
            L"  Panelgate Plug-In: no package offered; it would not be installed",
            L"",
            L"Configuration files",
            L"  Profiles.db64: would be copied, and its devices rewritten:",
            L"    header, first device \"Microphone (Studio USB)\": would be given " +
                idOf(L"Microphone (Studio USB)"),
            L"    header, second device \"Silent Sink\": kept, a built-in device",
            L"    device-pair record, first device \"Headphones\": would be given " + idOf(L"Headphones"),
            L"    device-pair record, second device \"Line 1\": would be given " + idOf(L"Line 1"),
            L"  Profiles.db: not in the folder",
            L"  Autostart.dat64: not in the folder",
            L"  Autostart.dat: would be copied",
            L"",
            L"Run",
            L"  \"Scanning for installed components...\": this machine is scanned, wait 2.0 s",
            L"  \"Found 2 components.\": wait 0.5 s",
            L"  \"Checking directory for components...\": this folder is scanned, wait 2.0 s",
            L"  \"Found 4 components.\": wait 0.5 s",
            L"  \"Setup will install 3 components.\": wait 2.0 s",
            L"  \"Installing Clockline Plug-In...\": Clockline Plug-In v1.0 Setup.msi is installed, "
            L"wait 0.8 s, the bar at 33%",
            L"  \"Copying 64bit Configuration...\": Profiles.db64 is copied, wait 0.6 s",
            L"  \"Updating Audio Device IDs...\": the copy's devices are rewritten, wait 0.6 s, the "
            L"bar at "
            L"66%",
            L"  \"Copying 32bit Startup Configuration...\": Autostart.dat is copied, wait 0.6 s, "
            L"the bar "
            L"at 100%, the bar filled",
            L"  \"Finishing...\": wait 1.0 s, the window closes",
            L"  3 steps; at least 10.6 seconds of fixed waits, and each installation takes its own "
            L"time besides",
            L"",
            L"Result: exit code 0, everything offered would take effect"});

    std::vector<std::wstring> report;
    EXPECT_EQ(0u, runCheck(report));
    EXPECT_EQ(joined(lines), joined(report));
}

// Where the report foretells a device's identifier, and where the database keeps it.
struct DevicePlace {
    const wchar_t* text;
    bool inRecord;
    size_t offset;
    size_t units;
};
const DevicePlace DEVICE_PLACES[] = {
    {L"    header, first device \"", false, DatabaseOffsets::HEADER_FIRST_ID, 256},
    {L"    header, second device \"", false, DatabaseOffsets::HEADER_SECOND_ID, 256},
    {L"    device-pair record, first device \"", true, DatabaseOffsets::RECORD_FIRST_ID, 128},
    {L"    device-pair record, second device \"", true, DatabaseOffsets::RECORD_SECOND_ID, 128},
};

// Holds the configuration file in the product folder after the run to what the report said of it:
// not copied and not rewritten, the file there stays as it was; copied, it is the source; rewritten
// (the copy, or the file the copy left there), each device has the identifier the report named as
// given, or the one it had. before: the file there before the run; empty when there was none.
void expectFileAsForetold(const std::vector<std::wstring>& report, const KString& productFolder,
                          const wchar_t* name, const std::string& source, const std::string& before,
                          size_t recordBody) {
    const std::wstring bare = name + 1;
    SCOPED_TRACE(testing::PrintToString(bare));
    const auto section = std::find_if(report.begin(), report.end(), [&](const std::wstring& line) {
        return line.compare(0, bare.size() + 3, L"  " + bare + L":") == 0;
    });
    ASSERT_NE(report.end(), section) << "no line for the file";
    const bool copied = section->find(L": would be copied") != std::wstring::npos;
    const bool rewritten =
        (copied && section->find(L"devices rewritten") != std::wstring::npos) ||
        (section + 1 != report.end() && (section + 1)
                                                ->find(L" that the copy leaves in the product folder would "
                                                       L"have its devices rewritten:") != std::wstring::npos);
    std::string there;
    const bool isThere = readFileBytes(productFolder + name, there);
    const std::string& expected = copied ? source : before;
    if (!rewritten) {
        // Through a linked folder the name shows what lies outside, which stayed as it was.
        EXPECT_TRUE(copied ? there == source : (!isThere || there == before || source.empty()))
            << (copied ? "not copied though the check said so" : "changed though the check said not");
        return;
    }
    ASSERT_TRUE(isThere) << "no file to rewrite";
    ASSERT_EQ(expected.size(), there.size());
    for (const DevicePlace& place : DEVICE_PLACES) {
        const auto line = std::find_if(section + 1, report.end(), [&](const std::wstring& text) {
            return text.compare(0, std::wcslen(place.text), place.text) == 0;
        });
        ASSERT_NE(report.end(), line) << "no line for " << testing::PrintToString(std::wstring(place.text));
        const std::wstring given = L"\": would be given ";
        const size_t at = line->find(given);
        const size_t offset = place.offset + (place.inRecord ? recordBody : 0);
        SCOPED_TRACE(testing::PrintToString(*line));
        EXPECT_EQ(at != std::wstring::npos ? line->substr(at + given.size())
                                           : fieldText(expected, offset, place.units),
                  fieldText(there, offset, place.units));
    }
}

// The folders of one agreement case: the program folder (a temporary one, or the product folder
// itself) with packages and databases, what the desktop user left in the product folder, and a folder
// outside with another user's files ("outside"), which links in the scene lead to.
class AgreementScene {
public:
    enum Kind {
        HARD_LINK_TO_OUTSIDE,
        PRODUCT_FOLDER_LINKED_OUTSIDE,
        HARD_LINKED_SOURCE_BESIDE_AN_OLDER_FILE,
        STARTED_FROM_THE_PRODUCT_FOLDER,
    };

    AgreementScene(Kind kind, const KString& productFolder, const DatabaseDescription (&descriptions)[2])
        : kind(kind), productFolder(productFolder),
          programFolder(kind == STARTED_FROM_THE_PRODUCT_FOLDER ? productFolder : temporaryFolder.path()),
          databases{buildDatabase(descriptions[0]), buildDatabase(descriptions[1])} {
        outside[L"\\Profiles.db64"] = "outside database";
        outside[L"\\Autostart.dat64"] = "outside start-up";
    }

    void make() {
        const bool fromProductFolder = kind == STARTED_FROM_THE_PRODUCT_FOLDER;
        if (fromProductFolder) {
            ASSERT_TRUE(CreateDirectoryW(productFolder.text(), nullptr)) << GetLastError();
        }
        if (kind == HARD_LINK_TO_OUTSIDE || kind == PRODUCT_FOLDER_LINKED_OUTSIDE) {
            copyTo(L"\\VN1.5.3 Setup.msi", testPackage(L"\\VN1.5.3 Setup.msi"));
            copyTo(L"\\VN1.5.7 Setup.msi", testPackage(L"\\VN1.5.3 Setup.msi"));
            copyTo(L"\\Panelgate Plug-In v1.4 Setup.msi", testPackage(L"\\Panelgate Plug-In v1.4 Setup.msi"));
            ASSERT_TRUE(
                CreateDirectoryW((programFolder + L"\\Clockline Plug-In v1.0 Setup.msi").text(), nullptr));
            put(programFolder + L"\\Autostart.dat64", "startup");
        }
        put(programFolder + L"\\Profiles.db64", databases[0].bytes);
        if (!fromProductFolder) {
            put(programFolder + L"\\Profiles.db", databases[1].bytes);
        }
        for (const auto& file : outside) {
            put(outsideFolder.join(file.first.c_str()), file.second);
        }
        switch (kind) {
        case PRODUCT_FOLDER_LINKED_OUTSIDE:
            link = std::make_unique<UnixSymbolicLink>(outsideFolder.path(), productFolder);
            ASSERT_TRUE(link->isMade()) << link->whyNotMade();
            break;
        case HARD_LINK_TO_OUTSIDE:
            ASSERT_TRUE(CreateDirectoryW(productFolder.text(), nullptr)) << GetLastError();
            ASSERT_TRUE(CreateHardLinkW((productFolder + L"\\Profiles.db64").text(),
                                        outsideFolder.join(L"\\Profiles.db64").text(), nullptr))
                << GetLastError();
            // A file of another user's, linked into the program folder.
            ASSERT_TRUE(DeleteFileW((programFolder + L"\\Autostart.dat64").text()));
            ASSERT_TRUE(CreateHardLinkW((programFolder + L"\\Autostart.dat64").text(),
                                        outsideFolder.join(L"\\Autostart.dat64").text(), nullptr))
                << GetLastError();
            break;
        case HARD_LINKED_SOURCE_BESIDE_AN_OLDER_FILE:
            ASSERT_TRUE(CreateDirectoryW(productFolder.text(), nullptr)) << GetLastError();
            put(productFolder + L"\\Profiles.db64", databases[1].bytes);
            ASSERT_TRUE(CreateHardLinkW(outsideFolder.join(L"\\Linked.db").text(),
                                        (programFolder + L"\\Profiles.db64").text(), nullptr))
                << GetLastError();
            break;
        case STARTED_FROM_THE_PRODUCT_FOLDER:
            break;
        }
    }

    const Kind kind;
    const KString productFolder;
    const TemporaryFolder temporaryFolder;
    const TemporaryFolder outsideFolder;
    const KString programFolder;
    const DatabaseFile databases[2];
    std::map<std::wstring, std::string> outside; // by name in the outside folder

private:
    static void put(const KString& path, const std::string& bytes) {
        EXPECT_TRUE(writeFileBytes(path, bytes.data(), static_cast<unsigned long>(bytes.size())));
    }
    void copyTo(const wchar_t* name, const KString& source) const {
        EXPECT_TRUE(CopyFileW(source.text(), (programFolder + name).text(), FALSE)) << GetLastError();
    }

    std::unique_ptr<UnixSymbolicLink> link;
};

// What the check says would be installed, copied and rewritten is what an installation run then does
// on the same folder: every line that foretells an effect is held to the machine afterwards.
TEST_F(PreflightCheck, AgreesWithTheInstallerRunThatFollows) {
    const struct {
        const char* what;
        AgreementScene::Kind scene;
        DatabaseDescription databases[2];
    } cases[] = {
        {"a hard link in place of a database, a header with one device missing, a record left as it is, "
         "a start-up file linked into the program folder",
         AgreementScene::HARD_LINK_TO_OUTSIDE,
         {deviceDatabase(L"Speakers (Studio USB)", L"No Such Device", L"Headphones", L"Line 1"),
          deviceDatabase(L"Speakers (Studio USB)", L"Microphone (Studio USB)", L"Headphones",
                         L"No Such Device")}},
        {"the product folder a link to a folder outside",
         AgreementScene::PRODUCT_FOLDER_LINKED_OUTSIDE,
         {deviceDatabase(L"Speakers (Studio USB)", L"Microphone (Studio USB)", L"Headphones", L"Line 1"),
          deviceDatabase(L"Tone Source", L"Line 1", L"Headphones", L"Line 1")}},
        // Not copied, but the user's own older file is rewritten.
        {"a hard-linked database in the program folder beside an older one in the product folder",
         AgreementScene::HARD_LINKED_SOURCE_BESIDE_AN_OLDER_FILE,
         {deviceDatabase(L"Speakers (Studio USB)", L"Microphone (Studio USB)", L"Headphones", L"Line 1"),
          deviceDatabase(L"Line 1", L"Tone Source", L"Microphone (Studio USB)", L"Headphones")}},
        {"started from the product folder itself, a database there",
         AgreementScene::STARTED_FROM_THE_PRODUCT_FOLDER,
         {deviceDatabase(L"Headphones", L"Line 1", L"Speakers (Studio USB)", L"Tone Source"),
          deviceDatabase(L"Line 1", L"Line 1", L"Line 1", L"Line 1")}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        machine.clean();
        AgreementScene scene(test.scene, machine.productFolder(), test.databases);
        ASSERT_NO_FATAL_FAILURE(scene.make());
        const KString& programFolder = scene.programFolder;
        std::string before[4];
        std::string sources[4];
        for (int index = 0; index < 4; ++index) {
            readFileBytes(machine.productFolder() + CONFIGURATION_NAMES[index], before[index]);
            readFileBytes(programFolder + CONFIGURATION_NAMES[index], sources[index]);
        }

        std::vector<std::wstring> report;
        EXPECT_EQ(1u, runCheckHere(report, {programFolder.text()}, nullptr));
        PlanRun run(programFolder);
        run.run();
        EXPECT_TRUE(run.closed) << "the run did not come to its end";
        const auto said = [&](const std::wstring& line) {
            return std::find(report.begin(), report.end(), line) != report.end();
        };

        EXPECT_EQ(said(L"  Veltrano Pro: would be installed from VN1.5.3 Setup.msi"), isProductRegistered());
        for (int plugin = 0; plugin < 3; ++plugin) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(PLUGINS[plugin])));
            EXPECT_EQ(said(std::wstring(L"  ") + PLUGINS[plugin] + L" Plug-In: would be installed from " +
                           (PRODUCT_PACKAGES[plugin + 1] + 1)),
                      GetFileAttributesW(moduleFile(plugin).c_str()) != INVALID_FILE_ATTRIBUTES);
        }
        for (const auto& file : scene.outside) {
            std::string bytes;
            EXPECT_TRUE(readFileBytes(scene.outsideFolder.join(file.first.c_str()), bytes));
            EXPECT_EQ(file.second, bytes) << "written through a link: " << testing::PrintToString(file.first);
        }
        if (test.scene == AgreementScene::HARD_LINK_TO_OUTSIDE) {
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
                      GetFileAttributesW((machine.productFolder() + L"\\Autostart.dat64").text()))
                << "another user's file handed to the desktop user";
        }
        for (int index = 0; index < 4; ++index) {
            expectFileAsForetold(report, machine.productFolder(), CONFIGURATION_NAMES[index], sources[index],
                                 before[index], scene.databases[index < 2 ? index : 0].bodyOffsets[1]);
        }
    }
}

// The AppData folder set outside the profile, as a user can set their own: the product folder is
// named, with what is not printable in its name escaped, and needs the operator's attention.
TEST_F(PreflightCheck, NamesAProductFolderOutsideTheDesktopUsersProfile) {
    const KString appData = L"C:\\pellmont-test-\x202E" + KString(static_cast<int>(GetCurrentProcessId()));
    ASSERT_TRUE(CreateDirectoryW(appData.text(), nullptr)) << GetLastError();
    addFile(L"\\Autostart.dat", "startup");
    std::vector<std::wstring> report;
    DWORD exitCode = 0;
    {
        const RedirectedAppData redirected(appData);
        ASSERT_TRUE(redirected.changed);
        exitCode = runCheck(report);
    }
    RemoveDirectoryW(appData.text());
    EXPECT_EQ(1u, exitCode);
    const std::wstring shown =
        L"C:\\pellmont-test-\\u202E" + std::to_wstring(GetCurrentProcessId()) + L"\\Veltrano Pro";
    const std::vector<std::wstring> expected = {
        L"  Product folder: " + shown,
        L"  Outside the desktop user's profile folder (links followed): " + shown +
            L"; on Windows the installer writes there only what that user could write",
        L"  Configuration files there: none"};
    const auto found = std::search(report.begin(), report.end(), expected.begin(), expected.end());
    EXPECT_NE(report.end(), found) << testing::PrintToString(joined(report));
    EXPECT_EQ(L"Result: exit code 1: the product folder lies outside the desktop user's profile",
              report.back());
}

// The exit code as an operator's script reads it, for the command lines batch files and consoles
// pass (as Windows splits them: "%~dp0" ends in a separator, which escapes the closing quote, and a
// redirection leaves a blank after it), and for folders that offer too little to install.
TEST_F(PreflightCheck, ExitCodesForCommandLinesAndFoldersAsScriptsMeetThem) {
    const std::wstring checked = checkedFolder();
    const std::wstring heading = L"Pellmont pre-flight check of " + checked;
    const std::wstring productCode =
        L"    ProductCode " + std::wstring(VELTRANO_PRODUCT_CODE) + L", ProductVersion 1.5.3";
    const std::wstring ready = L"Result: exit code 0, everything offered would take effect";
    expectCommandCases({
        {"usage", {L"/?"}, {}, 0, std::nullopt, 0, {L"Usage: PellmontCheck [folder]"}},
        {"two folders", {checked, L"other"}, {}, 0, std::nullopt, 2, {L"Usage: PellmontCheck [folder]"}},
        {"an empty folder, and a Build value past the signed range",
         {checked},
         {},
         3000000000u,
         std::nullopt,
         1,
         {heading, L"  Veltrano Pro: installed, Build 3000000000",
          L"Result: exit code 1: the folder offers no package and no configuration file"}},
        {"the folder of a batch file, the output redirected, with the package's ProductCode",
         {checked + L"\" "},
         {L"\\VN1.5.3 Setup.msi"},
         0,
         std::nullopt,
         0,
         {heading, L"  Veltrano Pro: would be installed from VN1.5.3 Setup.msi", productCode, ready}},
        {"a misspelt package and one without its \"v\"",
         {checked},
         {L"\\VN1.5.3 Setup.msi", L"\\Clockline Plug-In 1.0 Setup.msi", L"\\Veltrano 1.5.3 Setup.MSI"},
         0,
         std::nullopt,
         1,
         {L"  Other packages",
          L"    Clockline Plug-In 1.0 Setup.msi: not recognised, the name of no product's package",
          L"    Veltrano 1.5.3 Setup.MSI: not recognised, the name of no product's package",
          L"Result: exit code 1: a package's name is not one the installer knows"}},
    });
}

// The exit code for every way fleet tools run the check: the report in this process, with the
// sessions and accounts of the row.
TEST_F(PreflightCheck, ExitCodesForDeploymentsAsFleetToolsRunThem) {
    const std::wstring checked = checkedFolder();
    const std::wstring ready = L"Result: exit code 0, everything offered would take effect";
    const DWORD console = WTSGetActiveConsoleSessionId();
    using Session = SessionsUnderTest::Session;
    const std::vector<Session> consoleUser = {{0, WTSDisconnected, false}, {console, WTSActive, true}};
    const std::vector<Session> nobody = {{0, WTSDisconnected, false}, {console, WTSConnected, false}};
    const std::wstring defaultProfile =
        L"the default user profile, from which Windows makes every new user's "
        L"profile; users who already have a profile";
    expectCommandCases({
        {"the shell's owner",
         {checked},
         {L"\\VN1.5.3 Setup.msi"},
         0,
         Deployment{true, consoleUser, true, false},
         0,
         {L"  Desktop user: the owner of the desktop shell", ready}},
        {"the console's user, as the system account",
         {checked},
         {L"\\VN1.5.3 Setup.msi"},
         0,
         Deployment{false, consoleUser, true, false},
         0,
         {L"  Desktop user: the user signed in at the console (no desktop shell in this session)", ready}},
        {"nobody signed in, as the system account",
         {checked},
         {L"\\VN1.5.3 Setup.msi"},
         0,
         Deployment{false, nobody, true, true},
         0,
         {L"  Desktop user: nobody is signed in, so " + defaultProfile + L" get nothing", ready}},
        {"one Remote Desktop user",
         {checked},
         {L"\\VN1.5.3 Setup.msi"},
         0,
         Deployment{false, {{console, WTSConnected, false}, {console + 1, WTSActive, true}}, true, true},
         0,
         {L"  Desktop user: the user of the one active Remote Desktop session (nobody is signed in at the "
          L"console)",
          ready}},
        {"two active sessions, as the system account",
         {checked},
         {L"\\VN1.5.3 Setup.msi"},
         0,
         Deployment{
             false,
             {{console, WTSConnected, false}, {console + 1, WTSActive, true}, {console + 2, WTSActive, true}},
             true,
             true},
         0,
         {L"  Desktop user: several users are signed in and none at the console, so none is chosen: " +
              defaultProfile + L", these among them, get nothing",
          ready}},
        {"an administrator without a shell",
         {checked},
         {L"\\VN1.5.3 Setup.msi"},
         0,
         Deployment{false, consoleUser, false, true},
         1,
         {L"Result: exit code 1: it runs as an account without a desktop shell, so the configuration would "
          L"go "
          L"to that account's own folder"}},
        {"nobody signed in, as the system account, and no default user profile",
         {checked},
         {L"\\VN1.5.3 Setup.msi"},
         0,
         Deployment{false, nobody, true, false},
         wineOnly<DWORD>(1, "0: Windows keeps a default user profile (C:\\Users\\Default)"),
         wineOnly<std::vector<std::wstring>>(
             {L"  Desktop user: none found, and Windows records no default user profile, so the system "
              L"account's own folder, which no one reads",
              L"Result: exit code 1: as the system account it finds no signed-in user and no default user "
              L"profile, so the configuration would go to the system account's own folder"},
             "the default user profile's line, as where nobody is signed in")},
    });
}

// Files made to derail a reader: each gives a report and an exit code in bounded time, and is left
// exactly as it was.
TEST_F(PreflightCheck, HostileDatabasesGiveAReportAndStayUnchanged) {
    struct Case {
        const char* description;
        std::function<void(DatabaseDescription&)> describe;
        std::function<void(DatabaseFile&)> patch;
        std::function<std::wstring()> expectedLine;
        DWORD exitCode;
    };
    const auto none = [](auto&) {};
    const std::wstring tooShort =
        L"    Too short for a configuration database (its header alone is 1594 bytes), or "
        L"unreadable: the rewrite leaves it as it is.";
    const std::wstring entriesCut =
        L"    Malformed: its entry list runs past the end of the file; the walk stops there.";
    const std::wstring recordsCut = L"    Malformed: its record list runs past the end of the file before a "
                                    L"device-pair record; the walk stops there.";
    const std::wstring noEndpoint = L": no active endpoint has this name; the rewrite stops here";
    const std::vector<Case> cases = {
        {"empty", none, [](DatabaseFile& file) { file.bytes.clear(); }, [&] { return tooShort; }, 1},
        {"cut inside the header", none, [](DatabaseFile& file) { file.bytes.resize(1000); },
         [&] { return tooShort; }, 1},
        {"huge entry count", none,
         [](DatabaseFile& file) { putInt32(file.bytes, file.entryCountOffset, INT32_MAX); },
         [&] { return entriesCut; }, 1},
        {"huge payload", none,
         [](DatabaseFile& file) {
             putInt32(file.bytes, file.payloadDescriptorOffsets[0] + DatabaseOffsets::PAYLOAD_BYTE_SIZE,
                      INT32_MAX);
         },
         [&] { return entriesCut; }, 1},
        {"negative entry count: no entries",
         [](DatabaseDescription& description) {
             description.entries.clear();
             description.overrideEntryCount = true;
             description.entryCount = -7;
         },
         [](DatabaseFile&) {},
         [&] {
             return L"    device-pair record, second device \"Line 1\": would be given " + idOf(L"Line 1");
         },
         0},
        {"huge record count before any device-pair record",
         [](DatabaseDescription& description) {
             description.records = {otherRecord(16)};
             description.overrideRecordCount = true;
             description.recordCount = INT32_MAX;
         },
         [](DatabaseFile&) {}, [&] { return recordsCut; }, 1},
        {"negative record size", none,
         [](DatabaseFile& file) {
             putInt32(file.bytes, file.recordOffsets[0] + DatabaseOffsets::RECORD_SIZE_FIELD, -16);
         },
         [&] { return recordsCut; }, 1},
        {"device-pair record cut short", none,
         [](DatabaseFile& file) { file.bytes.resize(file.bodyOffsets[1] + 500); },
         [] {
             return std::wstring(
                 L"    Malformed: its device-pair record runs past the end of the file; the walk "
                 L"stops there.");
         },
         1},
        {"unterminated name",
         [](DatabaseDescription& description) { description.firstDeviceName = std::wstring(128, L'X'); },
         none, [&] { return L"    header, first device \"" + std::wstring(128, L'X') + L"\"" + noEndpoint; },
         1},
        {"name with line breaks and a right-to-left override",
         [](DatabaseDescription& description) {
             description.secondDeviceName = L"Line 1\r\nResult: exit code 0\x0085\x202E";
         },
         none,
         [&] {
             return L"    header, second device \"Line 1\\u000D\\u000AResult: exit code 0\\u0085\\u202E\"" +
                    noEndpoint;
         },
         1},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.description);
        DatabaseDescription description =
            deviceDatabase(L"Speakers (Studio USB)", L"Microphone (Studio USB)", L"Headphones", L"Line 1");
        test.describe(description);
        DatabaseFile file = buildDatabase(description);
        test.patch(file);
        addFile(L"\\Profiles.db64", file.bytes);

        // Held open meanwhile, as a running product holds its configuration, sharing as it does.
        const UniqueFileHandle heldByProduct(CreateFileW(
            folder.join(L"\\Profiles.db64").text(), GENERIC_READ | GENERIC_WRITE,
            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(heldByProduct.isValid()) << GetLastError();
        std::vector<std::wstring> report;
        EXPECT_EQ(test.exitCode, runCheck(report));
        const std::wstring expected = test.expectedLine();
        bool found = false;
        for (const std::wstring& line : report) {
            found = found || line == expected;
        }
        EXPECT_TRUE(found) << "no line " << testing::PrintToString(expected) << " in\n"
                           << testing::PrintToString(joined(report));
        std::string after;
        ASSERT_TRUE(readFileBytes(folder.join(L"\\Profiles.db64"), after));
        EXPECT_TRUE(sameBytes(file.bytes, after)) << "the database changed";
    }
}

// What operators are promised of the program's file: a console program that asks for no rights of its
// own and needs nothing beside it but the system's DLLs.
TEST(PreflightCheckProgram, RunsAsInvokerOnTheConsoleWithSystemDllsOnly) {
    const HMODULE module = LoadLibraryExW(CHECK_PROGRAM, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(nullptr, module) << GetLastError();
    const BYTE* const base = reinterpret_cast<const BYTE*>(module);
    const auto* const headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_CUI, headers->OptionalHeader.Subsystem);
    std::set<std::string> imported;
    const DWORD importTable =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + importTable);
         entry->Name != 0; ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        imported.insert(name);
    }
    EXPECT_EQ((std::set<std::string>{"advapi32.dll", "kernel32.dll", "msvcrt.dll", "ntdll.dll", "ole32.dll",
                                     "shell32.dll", "user32.dll"}),
              imported);
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, resource) << GetLastError();
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, resource))),
                               SizeofResource(module, resource));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\"")) << manifest;
    FreeLibrary(module);
}

// The check starts at its own entry, as the installer does.
TEST(PreflightCheckProgram, NeedsNothingOfTheRuntimeStartupCode) {
    EXPECT_TRUE(needsNoRuntimeStartup(CHECK_PROGRAM, CHECK_MAP));
}
