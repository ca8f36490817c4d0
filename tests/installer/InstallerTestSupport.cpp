#include "InstallerTestSupport.h"

#include "TestPaths.h"
#include "installer/ComponentDetection.h"

#include <msi.h>
#include <msiquery.h>

#include <cstdlib>
#include <cwchar>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t MAKER_REGISTRY_KEY[] = L"SOFTWARE\\Quillmark";
constexpr wchar_t USER_SHELL_FOLDERS_KEY[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t SHELL_FOLDERS_KEY[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t OTHER_ACCOUNT_KEY[] = L"Software\\PellmontTests";

struct MsiHandleTraits {
    using Type = MSIHANDLE;
    static Type invalid() { return 0; }
    static void close(Type handle) { MsiCloseHandle(handle); }
};
using UniqueMsiHandle = UniqueResource<MsiHandleTraits>;

// The product code in the package's Property table; empty when the package cannot be read.
std::wstring productCodeOf(const KString& packagePath) {
    UniqueMsiHandle database;
    UniqueMsiHandle view;
    UniqueMsiHandle record;
    if (MsiOpenDatabaseW(packagePath.text(), MSIDBOPEN_READONLY, database.put()) != ERROR_SUCCESS ||
        MsiDatabaseOpenViewW(database.get(), L"SELECT `Value` FROM `Property` WHERE `Property`='ProductCode'",
                             view.put()) != ERROR_SUCCESS ||
        MsiViewExecute(view.get(), 0) != ERROR_SUCCESS ||
        MsiViewFetch(view.get(), record.put()) != ERROR_SUCCESS) {
        return std::wstring();
    }
    wchar_t code[64] = {};
    DWORD length = 64;
    return MsiRecordGetStringW(record.get(), 1, code, &length) == ERROR_SUCCESS ? code : std::wstring();
}

KString systemProgram(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return KString(folder, KString::COPY_TEXT) + name;
}

} // namespace

KString testPackage(const wchar_t* name) {
    return KString(TEST_PACKAGE_FOLDER, KString::REFER_STATIC) + name;
}

KString testProgram(const wchar_t* name) {
    return KString(TEST_PROGRAM_FOLDER, KString::REFER_STATIC) + name;
}

DWORD runProgram(const KString& application, const KString& commandLine, DWORD timeoutMs, HANDLE output,
                 WORD showCommand) {
    STARTUPINFOW startupInfo = {};
    startupInfo.cb = sizeof(startupInfo);
    if (output != nullptr) {
        startupInfo.dwFlags = STARTF_USESTDHANDLES;
        startupInfo.hStdOutput = output;
        startupInfo.hStdError = output;
    }
    if (showCommand != SW_SHOWDEFAULT) {
        startupInfo.dwFlags |= STARTF_USESHOWWINDOW;
        startupInfo.wShowWindow = showCommand;
    }
    PROCESS_INFORMATION processInformation = {};
    std::vector<wchar_t> writable(commandLine.text(), commandLine.text() + commandLine.length() + 1);
    if (!CreateProcessW(application.text(), writable.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                        nullptr, &startupInfo, &processInformation)) {
        return ~0u;
    }
    const UniqueHandle process(processInformation.hProcess);
    const UniqueHandle thread(processInformation.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
        return STILL_ACTIVE;
    }
    DWORD exitCode = ~0u;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}

bool isPackageInstalled(const KString& packagePath) {
    const std::wstring productCode = productCodeOf(packagePath);
    return !productCode.empty() && MsiQueryProductStateW(productCode.c_str()) == INSTALLSTATE_DEFAULT;
}

void uninstallPackage(const KString& packagePath) {
    // msiexec.exe takes about half a second even for a product that is not installed, and the tests'
    // cleaning asks for every package before and after each test.
    if (!isPackageInstalled(packagePath)) {
        return;
    }
    runProgram(systemProgram(L"\\msiexec.exe"),
               KString(L" /x \"", KString::REFER_STATIC) + packagePath + L"\" /qn", PROCESS_TIMEOUT_MS);
}

void deleteProductKey(REGSAM view) {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_REGISTRY_KEY, view, 0);
    // Fails harmlessly while other keys of the maker are there.
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, MAKER_REGISTRY_KEY, view, 0);
}

LONG createProductKey(REGSAM view) {
    UniqueRegistryKey key;
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_REGISTRY_KEY, 0, nullptr, 0, KEY_WRITE | view, nullptr,
                           key.put(), nullptr);
}

LONG writeProductValue(REGSAM view, DWORD type, const void* data, DWORD byteCount) {
    UniqueRegistryKey key;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_REGISTRY_KEY, 0, nullptr, 0,
                                         KEY_WRITE | view, nullptr, key.put(), nullptr);
    if (created != ERROR_SUCCESS) {
        return created;
    }
    return RegSetValueExW(key.get(), PRODUCT_REGISTRY_VALUE, 0, type, static_cast<const BYTE*>(data),
                          byteCount);
}

ProductKeyCleanup::ProductKeyCleanup() {
    deleteProductKey(KEY_WOW64_32KEY);
    deleteProductKey(KEY_WOW64_64KEY);
}

ProductKeyCleanup::~ProductKeyCleanup() {
    deleteProductKey(KEY_WOW64_32KEY);
    deleteProductKey(KEY_WOW64_64KEY);
}

FolderChain::FolderChain(const KString& base, const wchar_t* relativePath) {
    std::wstring path = base.text();
    const wchar_t* rest = relativePath;
    while (*rest == L'\\') {
        const wchar_t* next = std::wcschr(rest + 1, L'\\');
        const size_t length = next != nullptr ? static_cast<size_t>(next - rest) : std::wcslen(rest);
        path.append(rest, length);
        rest += length;
        if (CreateDirectoryW(path.c_str(), nullptr) && createdCount < 16) {
            created[createdCount++] = path;
        }
    }
    deepest = KString(path.c_str(), KString::COPY_TEXT);
}

FolderChain::~FolderChain() {
    while (createdCount > 0) {
        RemoveDirectoryW(created[--createdCount].c_str());
    }
}

bool FolderChain::isComplete() const {
    const DWORD attributes = GetFileAttributesW(deepest.text());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TestShell::TestShell() {
    wchar_t readyName[64];
    wchar_t quitName[64];
    static LONG counter = 0;
    const LONG number = InterlockedIncrement(&counter);
    swprintf(readyName, 64, L"pellmont-shell-ready-%lu-%ld", GetCurrentProcessId(), number);
    swprintf(quitName, 64, L"pellmont-shell-quit-%lu-%ld", GetCurrentProcessId(), number);
    readyEvent.reset(CreateEventW(nullptr, TRUE, FALSE, readyName));
    quitEvent.reset(CreateEventW(nullptr, TRUE, FALSE, quitName));
    if (!readyEvent || !quitEvent) {
        return;
    }
    const KString application = testProgram(L"\\installer_test_shell.exe");
    std::wstring commandLine = L"\"";
    commandLine += application.text();
    commandLine += L"\" ";
    commandLine += readyName;
    commandLine += L" ";
    commandLine += quitName;
    STARTUPINFOW startupInfo = {};
    startupInfo.cb = sizeof(startupInfo);
    PROCESS_INFORMATION processInformation = {};
    if (!CreateProcessW(application.text(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startupInfo, &processInformation)) {
        return;
    }
    process.reset(processInformation.hProcess);
    const UniqueHandle thread(processInformation.hThread);
    const HANDLE waited[] = {readyEvent.get(), process.get()};
    running = WaitForMultipleObjects(2, waited, FALSE, PROCESS_TIMEOUT_MS) == WAIT_OBJECT_0;
}

TestShell::~TestShell() {
    stop();
}

DWORD TestShell::processId() const {
    return process ? GetProcessId(process.get()) : 0;
}

bool TestShell::stop() {
    if (!process) {
        return true;
    }
    SetEvent(quitEvent.get());
    const bool ended = WaitForSingleObject(process.get(), PROCESS_TIMEOUT_MS) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
    }
    process.reset();
    running = false;
    return ended;
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value) : name(name) {
    wchar_t buffer[4096];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
    hadPrevious = length > 0 && length < 4096;
    if (hadPrevious) {
        previous.assign(buffer, length);
    }
    SetEnvironmentVariableW(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(name.c_str(), hadPrevious ? previous.c_str() : nullptr);
}

namespace {

bool setShellFolder(HKEY root, const wchar_t* subKey, DWORD type, const KString& folder) {
    UniqueRegistryKey key;
    return RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr, key.put(),
                           nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.get(), L"AppData", 0, type, reinterpret_cast<const BYTE*>(folder.text()),
                          static_cast<DWORD>((folder.length() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

OtherRunningAccount::OtherRunningAccount(const KString& appDataFolder) {
    UniqueRegistryKey root;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, OTHER_ACCOUNT_KEY, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, root.put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    active = setShellFolder(root.get(), USER_SHELL_FOLDERS_KEY, REG_EXPAND_SZ, appDataFolder) &&
             setShellFolder(root.get(), SHELL_FOLDERS_KEY, REG_SZ, appDataFolder) &&
             RegOverridePredefKey(HKEY_CURRENT_USER, root.get()) == ERROR_SUCCESS;
}

OtherRunningAccount::~OtherRunningAccount() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, OTHER_ACCOUNT_KEY);
}

RedirectedAppData::RedirectedAppData(const KString& folder) {
    RegOpenKeyExW(HKEY_CURRENT_USER, USER_SHELL_FOLDERS_KEY, 0, KEY_READ | KEY_WRITE, key.put());
    DWORD byteCount = sizeof(previous) - sizeof(wchar_t);
    hadPrevious = RegQueryValueExW(key.get(), L"AppData", nullptr, &previousType,
                                   reinterpret_cast<BYTE*>(previous), &byteCount) == ERROR_SUCCESS;
    changed =
        RegSetValueExW(key.get(), L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.text()),
                       static_cast<DWORD>((folder.length() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

RedirectedAppData::~RedirectedAppData() {
    restore();
}

void RedirectedAppData::restore() {
    if (!changed) {
        return;
    }
    if (hadPrevious) {
        RegSetValueExW(key.get(), L"AppData", 0, previousType, reinterpret_cast<const BYTE*>(previous),
                       static_cast<DWORD>((std::wcslen(previous) + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key.get(), L"AppData");
    }
    changed = false;
}

UndeterminableAppData::UndeterminableAppData()
    : RedirectedAppData(KString(L"C:\\pellmont-test-missing\\AppData", KString::REFER_STATIC)) {}

namespace {

bool setStringValue(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text) {
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

DefaultUserProfile::DefaultUserProfile(Recording recording) {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                        0, nullptr, 0, KEY_READ | KEY_WRITE | KEY_WOW64_64KEY, nullptr, profileList.put(),
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (SavedValue& value : saved) {
        wchar_t data[MAX_PATH + 1] = {};
        DWORD bytes = MAX_PATH * sizeof(wchar_t);
        value.present = RegQueryValueExW(profileList.get(), value.name, nullptr, &value.type,
                                         reinterpret_cast<BYTE*>(data), &bytes) == ERROR_SUCCESS;
        value.data = data;
    }
    const std::wstring folder = profiles.path().text();
    std::wstring profile = folder + L"\\Default";
    if (recording == OWN_ENTRY) {
        profile = folder + L"\\Default User";
        // As Windows writes it: with the system drive to expand.
        recorded =
            folder.compare(0, 2, L"C:") == 0 && setStringValue(profileList.get(), L"Default", REG_EXPAND_SZ,
                                                               L"%SystemDrive%" + profile.substr(2));
    } else {
        recorded = (!saved[0].present || RegDeleteValueW(profileList.get(), L"Default") == ERROR_SUCCESS) &&
                   setStringValue(profileList.get(), L"ProfilesDirectory", REG_EXPAND_SZ, folder);
    }
    recorded = recorded && CreateDirectoryW(profile.c_str(), nullptr) &&
               CreateDirectoryW((profile + L"\\AppData").c_str(), nullptr) &&
               CreateDirectoryW((profile + L"\\AppData\\Roaming").c_str(), nullptr);
    appData = KString((profile + L"\\AppData\\Roaming").c_str(), KString::COPY_TEXT);
}

DefaultUserProfile::~DefaultUserProfile() {
    for (const SavedValue& value : saved) {
        if (value.present) {
            setStringValue(profileList.get(), value.name, value.type, value.data);
        } else {
            RegDeleteValueW(profileList.get(), value.name);
        }
    }
}

SessionsUnderTest* SessionsUnderTest::current = nullptr;

SessionsUnderTest::SessionsUnderTest(std::vector<Session> sessions, bool runsAsSystem)
    : sessions(std::move(sessions)) {
    current = this;
    queries = {&SessionsUnderTest::queryUserToken, &SessionsUnderTest::enumerate, &SessionsUnderTest::release,
               runsAsSystem};
}

SessionsUnderTest::~SessionsUnderTest() {
    current = nullptr;
}

// Windows refuses the query to an account that is not the system account, as to a session without a
// user.
BOOL WINAPI SessionsUnderTest::queryUserToken(ULONG sessionId, HANDLE* token) {
    current->asked.push_back(sessionId);
    for (const Session& session : current->sessions) {
        if (session.id == sessionId && session.signedIn && current->queries.runsAsSystem) {
            return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE,
                                    token);
        }
    }
    SetLastError(current->queries.runsAsSystem ? ERROR_NO_TOKEN : ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

BOOL WINAPI SessionsUnderTest::enumerate(HANDLE, DWORD, DWORD, WTS_SESSION_INFOW** list, DWORD* count) {
    auto* const entries =
        static_cast<WTS_SESSION_INFOW*>(std::calloc(current->sessions.size() + 1, sizeof(WTS_SESSION_INFOW)));
    for (size_t index = 0; index < current->sessions.size(); ++index) {
        entries[index].SessionId = current->sessions[index].id;
        entries[index].State = current->sessions[index].state;
        entries[index].pWinStationName = const_cast<wchar_t*>(L"Session");
    }
    *list = entries;
    *count = static_cast<DWORD>(current->sessions.size());
    ++current->listed;
    return TRUE;
}

void WINAPI SessionsUnderTest::release(void* memory) {
    std::free(memory);
    ++current->released;
}
