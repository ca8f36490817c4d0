#include "TestPackages.h"

#include "Programs.h"
#include "support/TestPaths.h"

#include "foundation/UniqueResource.h"

#include <msi.h>
#include <msiquery.h>

#include <string>

const wchar_t* const PRODUCT_PACKAGES[4] = {L"\\VN1.5.3 Setup.msi", L"\\Clockline Plug-In v1.0 Setup.msi",
                                            L"\\Driftcast Plug-In v1.2 Setup.msi",
                                            L"\\Panelgate Plug-In v1.4 Setup.msi"};
const wchar_t* const PLUGINS[3] = {L"Clockline", L"Driftcast", L"Panelgate"};

namespace {

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

} // namespace

KString testPackage(const wchar_t* name) {
    return KString(TEST_PACKAGE_FOLDER, KString::REFER_STATIC) + name;
}

DWORD installTestPackage(const wchar_t* name) {
    return runProgram(systemProgram(L"\\msiexec.exe"), L" /i \"" + testPackage(name) + L"\" /qn",
                      PROCESS_TIMEOUT_MS);
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

KString packageProgramFilesFolder() {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, PACKAGE_PROGRAM_FILES_FOLDER, nullptr, SHGFP_TYPE_CURRENT, folder);
    return KString(folder, KString::COPY_TEXT);
}

KString pluginModuleFile(int plugin) {
    return packageProgramFilesFolder() + L"\\Quillmark\\VNPlugins\\" + PLUGINS[plugin] + L"\\" +
           PLUGINS[plugin] + L".vp32";
}
