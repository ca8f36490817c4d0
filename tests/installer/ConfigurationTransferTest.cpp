#include "installer/ConfigurationTransfer.h"
#include "InstallerTestSupport.h"
#include "installer/ComponentDetection.h"

#include "foundation/KFile.h"
#include "support/TemporaryFolder.h"
#include "support/UnixSymbolicLink.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>

namespace {

KString productFolder() {
    return getInteractiveUserAppDataFolder() + PRODUCT_FOLDER_NAME;
}

// A file name of this test's own in the per-user product folder, so that no real configuration is
// touched; removed again at the end.
class OwnDestination {
public:
    OwnDestination() {
        static int counter = 0;
        wchar_t name[64];
        swprintf(name, 64, L"\\pellmont-test-%lu-%d.db", GetCurrentProcessId(), ++counter);
        fileName = KString(name, KString::COPY_TEXT);
        path = productFolder() + fileName;
    }
    OwnDestination(const OwnDestination&) = delete;
    OwnDestination& operator=(const OwnDestination&) = delete;
    ~OwnDestination() {
        DeleteFileW(path.text());
        if (createdFolder) {
            RemoveDirectoryW(productFolder().text());
        }
    }

    // Makes the per-user product folder, if it is not there, for the life of the object.
    void makeFolder() { createdFolder = CreateDirectoryW(productFolder().text(), nullptr) != FALSE; }

    KString fileName;
    KString path;

private:
    bool createdFolder = false;
};

// Moves an existing per-user product folder aside for the test and puts it back afterwards.
class AbsentProductFolder {
public:
    AbsentProductFolder() : folder(productFolder()), aside(folder + L".pellmont-test-aside") {
        moved = MoveFileW(folder.text(), aside.text()) != FALSE;
    }
    AbsentProductFolder(const AbsentProductFolder&) = delete;
    AbsentProductFolder& operator=(const AbsentProductFolder&) = delete;
    ~AbsentProductFolder() {
        RemoveDirectoryW(folder.text());
        if (moved) {
            MoveFileW(aside.text(), folder.text());
        }
    }

    const KString folder;

private:
    const KString aside;
    bool moved = false;
};

std::string contentOf(const KString& path) {
    std::string bytes;
    EXPECT_TRUE(readFileBytes(path, bytes)) << "error " << GetLastError();
    return bytes;
}

TEST(ConfigurationTransfer, MissingProductFolderIsCreated) {
    const TemporaryFolder folder;
    const KString source = folder.join(L"\\Profiles.db64");
    ASSERT_TRUE(writeFileBytes(source, "profiles", 8));
    const AbsentProductFolder absent;
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(absent.folder.text()));
    OwnDestination destination;

    copyConfigurationFile(source, destination.fileName, getInteractiveUserAppDataFolder());

    const DWORD attributes = GetFileAttributesW(absent.folder.text());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes) << "error " << GetLastError();
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ("profiles", contentOf(destination.path));
}

TEST(ConfigurationTransfer, ExistingDestinationIsReplacedAndSourceKept) {
    const TemporaryFolder folder;
    const KString source = folder.join(L"\\Autostart.dat");
    ASSERT_TRUE(writeFileBytes(source, "new start-up", 12));
    OwnDestination destination;
    destination.makeFolder();
    ASSERT_TRUE(writeFileBytes(destination.path, "an older and longer start-up", 28))
        << "error " << GetLastError();

    copyConfigurationFile(source, destination.fileName, getInteractiveUserAppDataFolder());

    EXPECT_EQ("new start-up", contentOf(destination.path));
    EXPECT_EQ("new start-up", contentOf(source));
}

TEST(ConfigurationTransfer, DestinationThatCannotBeReplacedStaysAsItWas) {
    const TemporaryFolder folder;
    const KString source = folder.join(L"\\Profiles.db");
    ASSERT_TRUE(writeFileBytes(source, "new", 3));
    OwnDestination destination;
    destination.makeFolder();
    ASSERT_TRUE(writeFileBytes(destination.path, "old", 3)) << "error " << GetLastError();
    {
        // Another program holds the destination open without sharing it: it can be neither deleted
        // nor overwritten. (A read-only attribute does not stop an overwrite when Wine runs as root.)
        SetLastError(0xdeadbeef);
        const UniqueFileHandle holder(CreateFileW(destination.path.text(), GENERIC_READ, 0, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.isValid()) << "error " << GetLastError();

        copyConfigurationFile(source, destination.fileName, getInteractiveUserAppDataFolder());
    }
    EXPECT_EQ("old", contentOf(destination.path));
    EXPECT_EQ("new", contentOf(source));
}

TEST(ConfigurationTransfer, VanishedSourceLeavesNoDestination) {
    const TemporaryFolder folder;
    OwnDestination destination;
    destination.makeFolder();
    ASSERT_TRUE(writeFileBytes(destination.path, "old", 3)) << "error " << GetLastError();

    copyConfigurationFile(folder.join(L"\\Profiles.db64"), destination.fileName,
                          getInteractiveUserAppDataFolder());

    EXPECT_FALSE(KFile::exists(destination.path));
}

TEST(ConfigurationTransfer, UndeterminableAppDataFolderSkipsTheCopy) {
    const TemporaryFolder folder;
    const KString source = folder.join(L"\\Profiles.db64");
    ASSERT_TRUE(writeFileBytes(source, "profiles", 8));
    // Where an empty AppData folder would put the product folder: the root of the current drive.
    wchar_t rootFolder[MAX_PATH] = {};
    GetFullPathNameW(PRODUCT_FOLDER_NAME, MAX_PATH, rootFolder, nullptr);
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(rootFolder)) << "exists before the test";
    {
        const UndeterminableAppData undeterminable;
        ASSERT_TRUE(undeterminable.changed);
        const KString appData = getInteractiveUserAppDataFolder();
        EXPECT_TRUE(appData.isEmpty()) << KString(appData).utf8();

        copyConfigurationFile(source, KString(L"\\Profiles.db64", KString::REFER_STATIC), appData);
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(rootFolder));
    RemoveDirectoryW(rootFolder);
    EXPECT_FALSE(getInteractiveUserAppDataFolder().isEmpty());
}

TEST(ConfigurationTransfer, ProductFolderNamedInOtherLetterCaseIsTheProductFolder) {
    const TemporaryFolder folder;
    const KString source = folder.join(L"\\Profiles.db64");
    ASSERT_TRUE(writeFileBytes(source, "profiles", 8));
    const AbsentProductFolder absent;
    ASSERT_TRUE(CreateDirectoryW((getInteractiveUserAppDataFolder() + L"\\VELTRANO PRO").text(), nullptr))
        << GetLastError();
    OwnDestination destination;

    copyConfigurationFile(source, destination.fileName, getInteractiveUserAppDataFolder());

    EXPECT_EQ("profiles", contentOf(destination.path));
}

// The user who owns the folder may put there a link to a file that only administrators may write.
TEST(ConfigurationTransfer, LinkedDestinationIsNeverWrittenThrough) {
    const TemporaryFolder folder;
    const KString source = folder.join(L"\\Profiles.db64");
    ASSERT_TRUE(writeFileBytes(source, "new", 3));
    const KString outside = folder.join(L"\\Protected.db");
    enum Link { HARD_LINK, HARD_LINK_HELD_OPEN, SYMBOLIC_LINK };
    const struct {
        Link kind;
        const char* what;
    } cases[] = {{HARD_LINK, "hard link"},
                 {HARD_LINK_HELD_OPEN, "hard link held open"},
                 {SYMBOLIC_LINK, "symbolic link"}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        const Link kind = test.kind;
        ASSERT_TRUE(writeFileBytes(outside, "protected", 9));
        OwnDestination destination;
        destination.makeFolder();
        std::unique_ptr<UnixSymbolicLink> symbolicLink;
        UniqueFileHandle holder;
        if (kind == SYMBOLIC_LINK) {
            symbolicLink = std::make_unique<UnixSymbolicLink>(outside, destination.path);
            ASSERT_TRUE(symbolicLink->isMade()) << symbolicLink->whyNotMade();
        } else {
            SetLastError(0xdeadbeef);
            ASSERT_TRUE(CreateHardLinkW(destination.path.text(), outside.text(), nullptr)) << GetLastError();
        }
        if (kind == HARD_LINK_HELD_OPEN) {
            // Its maker keeps it from being removed, but lets others write it.
            holder.reset(CreateFileW(destination.path.text(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(holder.isValid()) << GetLastError();
        }

        copyConfigurationFile(source, destination.fileName, getInteractiveUserAppDataFolder());

        holder.reset();
        EXPECT_EQ("protected", contentOf(outside));
        if (kind == HARD_LINK) {
            // The name was removed, not its target, and the copy is a file of its own.
            EXPECT_EQ("new", contentOf(destination.path));
        }
    }
}

} // namespace
