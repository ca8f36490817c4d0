#include "installer/PackageDiscovery.h"
#include "support/LongModulePath.h"
#include "support/Programs.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Finder = KString (*)(const KString&);

struct ProductPackages {
    const char* product;
    Finder finder;
    const wchar_t* candidates[9];
    // Names that look like packages of the product but are not among its candidates.
    const wchar_t* strangers[3];
};

const ProductPackages PRODUCTS[] = {
    {"Veltrano Pro",
     findProductPackage,
     {L"\\VN1.5.1 Setup.msi", L"\\VN1.5.2 Setup.msi", L"\\VN1.5.3 Setup.msi", L"\\VN1.5.4 Setup.msi",
      L"\\VN1.5.5 Setup.msi", L"\\VN1.5.6 Setup.msi", L"\\VN1.5.7 Setup.msi", L"\\VN1.5.8 Setup.msi",
      L"\\VN1.5.9 Setup.msi"},
     {L"\\VN1.6.0 Setup.msi", L"\\VN1.5.0 Setup.msi", L"\\VN1.5.10 Setup.msi"}},
    {"Clockline",
     findClocklinePackage,
     {L"\\Clockline Plug-In v1.0 Setup.msi", L"\\Clockline Plug-In v1.1 Setup.msi",
      L"\\Clockline Plug-In v1.2 Setup.msi", L"\\Clockline Plug-In v1.3 Setup.msi",
      L"\\Clockline Plug-In v1.4 Setup.msi"},
     {L"\\Clockline Plug-In v1.5 Setup.msi", L"\\Clockline Plug-In v2.0 Setup.msi",
      L"\\Clockline Plug-In v1.0.msi"}},
    {"Driftcast",
     findDriftcastPackage,
     {L"\\Driftcast Plug-In v1.0 Setup.msi", L"\\Driftcast Plug-In v1.1 Setup.msi",
      L"\\Driftcast Plug-In v1.2 Setup.msi", L"\\Driftcast Plug-In v1.3 Setup.msi",
      L"\\Driftcast Plug-In v1.4 Setup.msi"},
     {L"\\Driftcast Plug-In v1.5 Setup.msi", L"\\Driftcast Plug-In v0.9 Setup.msi",
      L"\\Clockline Plug-In v1.0 Setup.msi"}},
    {"Panelgate",
     findPanelgatePackage,
     {L"\\Panelgate Plug-In v1.0 Setup.msi", L"\\Panelgate Plug-In v1.1 Setup.msi",
      L"\\Panelgate Plug-In v1.2 Setup.msi", L"\\Panelgate Plug-In v1.3 Setup.msi",
      L"\\Panelgate Plug-In v1.4 Setup.msi"},
     {L"\\Panelgate Plug-In v1.5 Setup.msi", L"\\Panelgate Plug-In v1.4 Setup.exe",
      L"\\Panelgate Plug-In Setup.msi"}},
};

void touch(const KString& path) {
    ASSERT_TRUE(writeFileBytes(path, "msi", 3)) << "error " << GetLastError();
}

TEST(PackageDiscovery, EveryCandidateIsFoundAlone) {
    for (const ProductPackages& product : PRODUCTS) {
        SCOPED_TRACE(product.product);
        for (const wchar_t* const candidate : product.candidates) {
            if (candidate == nullptr) {
                break;
            }
            const TemporaryFolder folder;
            touch(folder.join(candidate));
            EXPECT_STREQ(folder.join(candidate).text(), product.finder(folder.path()).text());
        }
    }
}

TEST(PackageDiscovery, LowestVersionPresentWins) {
    for (const ProductPackages& product : PRODUCTS) {
        SCOPED_TRACE(product.product);
        const TemporaryFolder folder;
        // Highest first, so that the order of creation cannot decide.
        int count = 0;
        while (count < 9 && product.candidates[count] != nullptr) {
            ++count;
        }
        for (int index = count - 1; index >= 1; --index) {
            touch(folder.join(product.candidates[index]));
            EXPECT_STREQ(folder.join(product.candidates[index]).text(), product.finder(folder.path()).text());
        }
    }
}

TEST(PackageDiscovery, NamesOutsideTheCandidatesAreNotRecognised) {
    for (const ProductPackages& product : PRODUCTS) {
        SCOPED_TRACE(product.product);
        const TemporaryFolder folder;
        EXPECT_TRUE(product.finder(folder.path()).isEmpty());
        for (const wchar_t* const stranger : product.strangers) {
            touch(folder.join(stranger));
        }
        const KString found = product.finder(folder.path());
        EXPECT_TRUE(found.isEmpty()) << KString(found).utf8();
    }
}

TEST(PackageDiscovery, FolderBearingACandidatesNameIsSkipped) {
    for (const ProductPackages& product : PRODUCTS) {
        SCOPED_TRACE(product.product);
        const TemporaryFolder folder;
        SetLastError(0xdeadbeef);
        ASSERT_TRUE(CreateDirectoryW(folder.join(product.candidates[0]).text(), nullptr))
            << "error " << GetLastError();
        EXPECT_TRUE(product.finder(folder.path()).isEmpty());
        touch(folder.join(product.candidates[2]));
        EXPECT_STREQ(folder.join(product.candidates[2]).text(), product.finder(folder.path()).text());
    }
}

TEST(PackageDiscovery, NamesAreComparedWithoutRegardToCase) {
    const TemporaryFolder folder;
    touch(folder.join(L"\\vn1.5.4 setup.MSI"));
    const KString found = findProductPackage(folder.path());
    EXPECT_STREQ(folder.join(L"\\VN1.5.4 Setup.msi").text(), found.text());
}

// Runs a copy of the probe program from the folder and returns the program folder it reported; with
// recordedUnits, the probe first records a module path of that length as its own.
KString probedProgramFolder(const KString& folder, const TemporaryFolder& output, size_t recordedUnits = 0) {
    const KString probe = folder + L"\\probe.exe";
    SetLastError(0xdeadbeef);
    if (!CopyFileW(helperProgram(L"\\installer_test_probe.exe").text(), probe.text(), FALSE)) {
        ADD_FAILURE() << "copying the probe failed: " << GetLastError();
        return KString();
    }
    const KString result = output.join(L"\\folder.txt");
    KString commandLine = L" \"" + result + L"\"";
    if (recordedUnits != 0) {
        commandLine = commandLine + L" " + KString(static_cast<int>(recordedUnits));
    }
    const DWORD exitCode = runProgram(probe, commandLine, PROCESS_TIMEOUT_MS);
    EXPECT_EQ(0u, exitCode);
    std::string bytes;
    EXPECT_TRUE(readFileBytes(result, bytes));
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    return KString(text.c_str(), KString::COPY_TEXT, static_cast<int>(text.size()));
}

TEST(PackageDiscovery, ProgramFolderWithBlanksIsReturnedWhole) {
    const TemporaryFolder folder;
    const KString withBlanks = folder.join(L"\\Setup Folder With  Blanks");
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(CreateDirectoryW(withBlanks.text(), nullptr)) << "error " << GetLastError();
    EXPECT_STREQ(withBlanks.text(), probedProgramFolder(withBlanks, folder).text());
}

TEST(PackageDiscovery, ModulePathsUpToTheLongestAllowedGiveTheirFolder) {
    const TemporaryFolder folder;
    // Around the first buffer of 520 units and the doublings after it, up to 32767 units.
    for (const size_t units : {519u, 520u, 16639u, 16640u, 20000u, 32767u}) {
        SCOPED_TRACE(units);
        const std::wstring modulePath = longModulePath(units);
        ASSERT_EQ(units, modulePath.size());
        const std::wstring expected = modulePath.substr(0, modulePath.rfind(L'\\'));
        const KString reported = probedProgramFolder(folder.path(), folder, units);
        EXPECT_EQ(expected.size(), static_cast<size_t>(reported.length()));
        EXPECT_TRUE(expected == reported.text()) << "the folder differs from the module path's";
    }
}

} // namespace
