#pragma once

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"
#include "installer/DesktopUser.h"
#include "support/TemporaryFolder.h"

#include <windows.h>

#include <shlobj.h>

#include <string>
#include <vector>

// Bounds every wait of the installer tests; an msiexec.exe run takes about a second under Wine.
constexpr DWORD PROCESS_TIMEOUT_MS = 60000;

// A package that the build made, by file name ("\VN1.5.3 Setup.msi").
KString testPackage(const wchar_t* name);
// A helper program next to the test program, by file name ("\installer_test_shell.exe").
KString testProgram(const wchar_t* name);

// Runs the program with the command line (which begins with a blank) and waits at most timeoutMs.
// Its exit code; STILL_ACTIVE when it did not end in time (it is then terminated), or ~0u when it
// could not be started. An inheritable output handle becomes its standard output and error; a show
// command other than SW_SHOWDEFAULT is handed to it as its starter's (STARTF_USESHOWWINDOW).
DWORD runProgram(const KString& application, const KString& commandLine, DWORD timeoutMs,
                 HANDLE output = nullptr, WORD showCommand = SW_SHOWDEFAULT);
// Whether the Windows Installer has the package's product installed for the machine.
bool isPackageInstalled(const KString& packagePath);
// Removes what the package installed; a package that is not installed is left alone.
void uninstallPackage(const KString& packagePath);

// Where a 32-bit package puts its registry values and files, named as a package's own 32-bit code
// would name them: the shipped 32-bit program on 64-bit Windows is redirected there by the system,
// without flags of its own; a 64-bit process has to ask for the 32-bit places.
constexpr bool IS_32_BIT_PROCESS = sizeof(void*) == 4;
constexpr REGSAM PACKAGE_REGISTRY_VIEW = IS_32_BIT_PROCESS ? 0 : KEY_WOW64_32KEY;
constexpr int PACKAGE_PROGRAM_FILES_FOLDER = IS_32_BIT_PROCESS ? CSIDL_PROGRAM_FILES : CSIDL_PROGRAM_FILESX86;

// Deletes the product's key in the given view (and its maker key, when nothing else is in it).
void deleteProductKey(REGSAM view);
// Writes the product's "Build" value in the given view; ERROR_SUCCESS or the failure.
LONG writeProductValue(REGSAM view, DWORD type, const void* data, DWORD byteCount);
// Creates the product's key without any value; ERROR_SUCCESS or the failure.
LONG createProductKey(REGSAM view);

// Removes the product's key from both views before and after a test.
class ProductKeyCleanup {
public:
    ProductKeyCleanup();
    ProductKeyCleanup(const ProductKeyCleanup&) = delete;
    ProductKeyCleanup& operator=(const ProductKeyCleanup&) = delete;
    ~ProductKeyCleanup();
};

// Creates the missing folders of a path below an existing folder ("\A\B\C" below base) and removes
// those it created, deepest first, when destroyed; folders that were there stay.
class FolderChain {
public:
    FolderChain(const KString& base, const wchar_t* relativePath);
    FolderChain(const FolderChain&) = delete;
    FolderChain& operator=(const FolderChain&) = delete;
    ~FolderChain();

    // The deepest folder of the chain.
    const KString& path() const { return deepest; }
    bool isComplete() const;

private:
    std::wstring created[16];
    int createdCount = 0;
    KString deepest;
};

// A process that owns the shell window while the object lives.
class TestShell {
public:
    TestShell();
    TestShell(const TestShell&) = delete;
    TestShell& operator=(const TestShell&) = delete;
    ~TestShell();

    // True once the helper has declared its window the shell window.
    bool isRunning() const { return running; }
    DWORD processId() const;
    // Asks the helper to go and waits for it; true when it ended in time.
    bool stop();

private:
    UniqueHandle readyEvent;
    UniqueHandle quitEvent;
    UniqueHandle process;
    bool running = false;
};

// Sets an environment variable for the life of the object; the previous state comes back afterwards.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value);
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
    ~ScopedEnvironmentVariable();

private:
    std::wstring name;
    std::wstring previous;
    bool hadPrevious = false;
};

// Gives this process an AppData folder of its own, as if it ran as an account other than the desktop
// user's: the current user's key is replaced, for this process only, by one whose shell folders name
// the given folder. A token's folder is still read from the user's own key, so under Wine, where the
// shell and the tests run as one account, only a folder asked for through a token differs.
class OtherRunningAccount {
public:
    explicit OtherRunningAccount(const KString& appDataFolder);
    OtherRunningAccount(const OtherRunningAccount&) = delete;
    OtherRunningAccount& operator=(const OtherRunningAccount&) = delete;
    ~OtherRunningAccount();

    bool active = false;
};

// Points the AppData folder of the account the tests run as at another folder until restore or the
// end of the object; the previous setting comes back then. A folder asked for through that account's
// token sees it too.
class RedirectedAppData {
public:
    explicit RedirectedAppData(const KString& folder);
    RedirectedAppData(const RedirectedAppData&) = delete;
    RedirectedAppData& operator=(const RedirectedAppData&) = delete;
    virtual ~RedirectedAppData();

    void restore();

    bool changed = false;

private:
    UniqueRegistryKey key;
    wchar_t previous[MAX_PATH + 1] = {};
    DWORD previousType = REG_EXPAND_SZ;
    bool hadPrevious = false;
};

// The AppData folder pointed at a folder that does not exist, which makes the shell fail to
// determine it.
class UndeterminableAppData : public RedirectedAppData {
public:
    UndeterminableAppData();
};

// A default user profile recorded as Windows records it (the profile list of HKLM, in the system's
// own view), with its roaming AppData folder made: Wine
// records none. Either by its own entry, "Default", an environment string to expand, or by the
// profiles' folder alone, whose "Default" it then is. What was recorded before comes back afterwards.
class DefaultUserProfile {
public:
    enum Recording { OWN_ENTRY, PROFILES_FOLDER_ONLY };

    explicit DefaultUserProfile(Recording recording = OWN_ENTRY);
    DefaultUserProfile(const DefaultUserProfile&) = delete;
    DefaultUserProfile& operator=(const DefaultUserProfile&) = delete;
    ~DefaultUserProfile();

    bool isRecorded() const { return recorded; }
    const KString& appDataFolder() const { return appData; }

private:
    struct SavedValue {
        explicit SavedValue(const wchar_t* name) : name(name) {}
        const wchar_t* name;
        bool present = false;
        DWORD type = REG_NONE;
        std::wstring data;
    };

    TemporaryFolder profiles;
    KString appData;
    UniqueRegistryKey profileList;
    SavedValue saved[2] = {SavedValue(L"Default"), SavedValue(L"ProfilesDirectory")};
    bool recorded = false;
};

// A machine's sessions as the system lists them and the users signed in to them, answered through
// DesktopUser's queries (queries), for the life of the object: under Wine there is one session, one
// account and no system account. A token of the running account stands for a session's user.
class SessionsUnderTest {
public:
    struct Session {
        DWORD id;
        WTS_CONNECTSTATE_CLASS state;
        bool signedIn;
    };

    SessionsUnderTest(std::vector<Session> sessions, bool runsAsSystem);
    SessionsUnderTest(const SessionsUnderTest&) = delete;
    SessionsUnderTest& operator=(const SessionsUnderTest&) = delete;
    ~SessionsUnderTest();

    SessionQueries queries;
    std::vector<DWORD> asked; // the sessions whose user's token was asked for
    int listed = 0;
    int released = 0;

private:
    static BOOL WINAPI queryUserToken(ULONG sessionId, HANDLE* token);
    static BOOL WINAPI enumerate(HANDLE server, DWORD reserved, DWORD version, WTS_SESSION_INFOW** list,
                                 DWORD* count);
    static void WINAPI release(void* memory);

    static SessionsUnderTest* current;
    const std::vector<Session> sessions;
};
