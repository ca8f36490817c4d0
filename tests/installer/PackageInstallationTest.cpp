#include "installer/PackageInstallation.h"
#include "installer/ComponentDetection.h"
#include "support/ProcessInspection.h"
#include "support/ProductRegistryValue.h"
#include "support/Programs.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/TestPackages.h"

#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Installation answers of the detection, one per product.
bool productInstalled() {
    return isProductInstalled();
}
bool clocklineInstalled() {
    return KFile::exists(pluginModuleFile(0));
}
bool driftcastInstalled() {
    return KFile::exists(pluginModuleFile(1));
}
bool panelgateInstalled() {
    return KFile::exists(pluginModuleFile(2));
}

struct PackageCase {
    const wchar_t* package;
    bool (*installed)();
};

const PackageCase PACKAGES[] = {
    {L"\\VN1.5.3 Setup.msi", productInstalled},
    {L"\\Clockline Plug-In v1.0 Setup.msi", clocklineInstalled},
    {L"\\Driftcast Plug-In v1.2 Setup.msi", driftcastInstalled},
    {L"\\Panelgate Plug-In v1.4 Setup.msi", panelgateInstalled},
};

// Installs a copy of the package from the folder, checks detection, and uninstalls again.
void installAndCheck(const KString& folder, const PackageCase& entry) {
    const KString package = folder + entry.package;
    SCOPED_TRACE(KString(package).utf8());
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(CopyFileW(testPackage(entry.package).text(), package.text(), FALSE))
        << "error " << GetLastError();
    uninstallPackage(package);
    ASSERT_FALSE(entry.installed()) << "installed before the test";
    ASSERT_FALSE(isPackageInstalled(package));

    installPackage(package);
    EXPECT_TRUE(entry.installed());
    // The cleaning of the tests names the build's package, not the copy that was installed.
    EXPECT_TRUE(isPackageInstalled(testPackage(entry.package)));

    uninstallPackage(package);
    EXPECT_FALSE(entry.installed());
    EXPECT_FALSE(isPackageInstalled(package));
    // The uninstallation leaves the plug-ins' common folders; they go when empty.
    RemoveDirectoryW((packageProgramFilesFolder() + L"\\Quillmark\\VNPlugins").text());
    RemoveDirectoryW((packageProgramFilesFolder() + L"\\Quillmark").text());
}

TEST(PackageInstallation, EveryProductIsInstalledFromAPathWithBlanks) {
    const ProductKeyCleanup cleanup;
    const TemporaryFolder folder;
    const KString withBlanks = folder.join(L"\\Setup Folder With  Blanks");
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(CreateDirectoryW(withBlanks.text(), nullptr)) << "error " << GetLastError();
    for (const PackageCase& entry : PACKAGES) {
        installAndCheck(withBlanks, entry);
    }
}

DWORD WINAPI installOnWorker(void* packagePath) {
    installPackage(*static_cast<const KString*>(packagePath));
    return 0;
}

TEST(PackageInstallation, PackagePathOfAnyLengthReachesTheInstallerWhole) {
    const ProductKeyCleanup cleanup;
    const TemporaryFolder folder;
    // Deep enough that the command line no longer fits the classic 520 units.
    std::wstring deep = folder.path().text();
    const std::wstring level = L"\\" + std::wstring(60, L'p');
    while (deep.size() < 540) {
        deep += level;
        SetLastError(0xdeadbeef);
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr)) << "error " << GetLastError();
    }
    const KString package = KString(deep.c_str(), KString::COPY_TEXT) + L"\\VN1.5.3 Setup.msi";
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(CopyFileW(testPackage(L"\\VN1.5.3 Setup.msi").text(), package.text(), FALSE))
        << "error " << GetLastError();

    // The test reads the command line the installer's process was given and then ends that process.
    // wineOnly: Wine's msiexec.exe cannot open a package this deep (it faults); Windows installs it.
    KString packageCopy = package;
    const UniqueHandle worker(CreateThread(nullptr, 0, installOnWorker, &packageCopy, 0, nullptr));
    ASSERT_TRUE(worker.isValid()) << "error " << GetLastError();
    std::wstring commandLine;
    DWORD installerId = 0;
    const DWORD start = GetTickCount();
    while (commandLine.empty() && GetTickCount() - start < 10000) {
        installerId =
            installerId != 0 ? installerId : findChildProcess(GetCurrentProcessId(), L"msiexec.exe");
        if (installerId != 0) {
            const UniqueHandle installer(
                OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, installerId));
            if (installer && !readCommandLine(installer.get(), commandLine)) {
                commandLine.clear();
            }
        }
        if (commandLine.empty()) {
            Sleep(1);
        }
    }
    if (installerId != 0) {
        terminateProcessTree(installerId);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker.get(), PROCESS_TIMEOUT_MS));
    ASSERT_NE(0u, installerId) << "msiexec.exe was not started";
    const std::wstring expected = std::wstring(L" /i \"") + package.text() + L"\" /qb";
    EXPECT_EQ(expected, commandLine);
    EXPECT_GT(commandLine.size(), 520u);
}

TEST(PackageInstallation, FailingPackageReturnsAfterTheInstallerHasEnded) {
    const ProductKeyCleanup cleanup;
    const TemporaryFolder folder;
    const KString marker = folder.join(L"\\failing package ran");
    // The failing package leaves this mark just before it fails; msiexec.exe inherits the variable.
    const ScopedEnvironmentVariable markerVariable(L"PELLMONT_FAILURE_MARKER", marker.text());
    const KString package = testPackage(L"\\Failing Setup.msi");
    uninstallPackage(package);
    ASSERT_FALSE(isProductInstalled());

    installPackage(package);
    // The package ran up to its failure, and the installation was rolled back completely: the value
    // it had written is gone.
    EXPECT_TRUE(KFile::exists(marker));
    EXPECT_FALSE(isProductInstalled());
    EXPECT_FALSE(isPackageInstalled(package));
}

TEST(PackageInstallation, MissingPackageReturnsWithoutInstalling) {
    const ProductKeyCleanup cleanup;
    const TemporaryFolder folder;
    const DWORD start = GetTickCount();
    installPackage(folder.join(L"\\VN1.5.3 Setup.msi"));
    EXPECT_LT(GetTickCount() - start, PROCESS_TIMEOUT_MS);
    EXPECT_FALSE(isProductInstalled());
}

} // namespace
