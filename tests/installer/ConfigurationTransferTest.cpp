#include "installer/ConfigurationTransfer.h"
#include "InstallerTestSupport.h"
#include "installer/ComponentDetection.h"
#include "installer/ConfigurationCopy.h"

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

// What the examination decides is what the copy then does, and neither writes through a link: a
// prediction of the copy and the copy cannot differ.
TEST(ConfigurationTransfer, TheCopyDoesWhatItsExaminationDecides) {
    enum Setup {
        NO_APPDATA,
        MISSING_APPDATA,
        NO_PRODUCT_FOLDER,
        NOTHING_THERE,
        FILE_THERE,
        READ_ONLY_FILE,
        HELD_SHARING_WRITES,
        HELD_SHARING_NOTHING,
        HARD_LINK,
        HARD_LINK_HELD_SHARING_WRITES,
        SYMBOLIC_LINK,
        LINKED_PRODUCT_FOLDER,
    };
    const struct {
        Setup setup;
        const char* what;
        CopyDecision decision;
    } cases[] = {
        {NO_APPDATA, "no AppData folder", CopyDecision::NO_APPDATA_FOLDER},
        {MISSING_APPDATA, "the AppData folder is missing", CopyDecision::NO_PRODUCT_FOLDER},
        {NO_PRODUCT_FOLDER, "no product folder yet", CopyDecision::COPY_NEW},
        {NOTHING_THERE, "nothing there", CopyDecision::COPY_NEW},
        {FILE_THERE, "a file there", CopyDecision::REPLACE},
        {READ_ONLY_FILE, "a read-only file there", CopyDecision::DESTINATION_KEPT},
        {HELD_SHARING_WRITES, "held open without deletion, sharing writes", CopyDecision::OVERWRITE},
        {HELD_SHARING_NOTHING, "held open sharing nothing", CopyDecision::DESTINATION_KEPT},
        {HARD_LINK, "a hard link to an outside file", CopyDecision::REPLACE},
        {HARD_LINK_HELD_SHARING_WRITES, "a hard link held open without deletion, sharing writes",
         CopyDecision::DESTINATION_KEPT},
        // Wine opens a file link as its target, so it is not the name: kept there. Windows opens the
        // link itself, which is then removed (REPLACE).
        {SYMBOLIC_LINK, "a symbolic link to an outside file", CopyDecision::DESTINATION_KEPT},
        {LINKED_PRODUCT_FOLDER, "the product folder a link to an outside folder",
         CopyDecision::FOLDER_REDIRECTED},
    };
    const KString fileName(L"\\Profiles.db64", KString::REFER_STATIC);
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        const TemporaryFolder programFolder;
        const KString source = programFolder.join(L"\\Profiles.db64");
        ASSERT_TRUE(writeFileBytes(source, "new", 3));
        const TemporaryFolder outsideFolder;
        const KString outside = outsideFolder.join(L"\\Protected.db");
        ASSERT_TRUE(writeFileBytes(outside, "protected", 9));
        const TemporaryFolder appDataRoot;
        KString appData = appDataRoot.path();
        const KString productFolder = appData + PRODUCT_FOLDER_NAME;
        const KString destination = productFolder + fileName;
        if (test.setup == NO_APPDATA) {
            appData = KString();
        } else if (test.setup == MISSING_APPDATA) {
            appData = appDataRoot.join(L"\\Missing");
        } else if (test.setup != NO_PRODUCT_FOLDER && test.setup != LINKED_PRODUCT_FOLDER) {
            ASSERT_TRUE(CreateDirectoryW(productFolder.text(), nullptr)) << GetLastError();
        }
        std::unique_ptr<UnixSymbolicLink> link;
        UniqueFileHandle holder;
        switch (test.setup) {
        case FILE_THERE:
        case READ_ONLY_FILE:
        case HELD_SHARING_WRITES:
        case HELD_SHARING_NOTHING:
            ASSERT_TRUE(writeFileBytes(destination, "old", 3));
            break;
        case HARD_LINK:
        case HARD_LINK_HELD_SHARING_WRITES:
            ASSERT_TRUE(CreateHardLinkW(destination.text(), outside.text(), nullptr)) << GetLastError();
            break;
        case SYMBOLIC_LINK:
            link = std::make_unique<UnixSymbolicLink>(outside, destination);
            break;
        case LINKED_PRODUCT_FOLDER:
            ASSERT_TRUE(CreateHardLinkW(outsideFolder.join(fileName.text()).text(), outside.text(), nullptr));
            link = std::make_unique<UnixSymbolicLink>(outsideFolder.path(), productFolder);
            break;
        default:
            break;
        }
        if (link) {
            ASSERT_TRUE(link->isMade()) << link->whyNotMade();
        }
        if (test.setup == READ_ONLY_FILE) {
            ASSERT_TRUE(SetFileAttributesW(destination.text(), FILE_ATTRIBUTE_READONLY)) << GetLastError();
        }
        if (test.setup == HELD_SHARING_WRITES || test.setup == HARD_LINK_HELD_SHARING_WRITES ||
            test.setup == HELD_SHARING_NOTHING) {
            const DWORD sharing = test.setup == HELD_SHARING_NOTHING ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
            holder.reset(CreateFileW(destination.text(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(holder.isValid()) << GetLastError();
        }

        EXPECT_EQ(test.decision, ConfigurationCopy(source, appData, fileName).decision());
        copyConfigurationFile(source, fileName, appData);
        holder.reset();

        const bool copied = test.decision == CopyDecision::COPY_NEW ||
                            test.decision == CopyDecision::REPLACE ||
                            test.decision == CopyDecision::OVERWRITE;
        std::string bytes;
        const bool readable = readFileBytes(destination, bytes);
        if (copied) {
            EXPECT_EQ("new", bytes);
            const UniqueFileHandle copy(CreateFileW(destination.text(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            BY_HANDLE_FILE_INFORMATION information = {};
            ASSERT_TRUE(GetFileInformationByHandle(copy.get(), &information)) << GetLastError();
            EXPECT_EQ(1u, information.nNumberOfLinks) << "the copy is a file of its own";
        } else if (test.setup == READ_ONLY_FILE || test.setup == HELD_SHARING_NOTHING) {
            EXPECT_EQ("old", bytes);
        } else if (test.setup == NO_APPDATA || test.setup == MISSING_APPDATA) {
            EXPECT_FALSE(readable);
        }
        EXPECT_EQ("protected", contentOf(outside)) << "written through a link";
        EXPECT_EQ("new", contentOf(source));
        if (test.setup == READ_ONLY_FILE) {
            SetFileAttributesW(destination.text(), FILE_ATTRIBUTE_NORMAL);
        }
    }
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

} // namespace
