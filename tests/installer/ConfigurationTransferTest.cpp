#include "installer/ConfigurationTransfer.h"
#include "installer/ComponentDetection.h"
#include "installer/ConfigurationCopy.h"
#include "support/CleanMachine.h"
#include "support/ShellFolderRedirection.h"

#include "foundation/KFile.h"
#include "support/TemporaryFolder.h"
#include "support/UnixSymbolicLink.h"
#include "support/WineOnly.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string contentOf(const KString& path) {
    std::string bytes;
    EXPECT_TRUE(readFileBytes(path, bytes)) << "error " << GetLastError();
    return bytes;
}

// The desktop user's token as the installer holds it: the running account's own.
// wineOnly: one account owns everything, so the test shows that the writes go through impersonation;
// on Windows the desktop user's token would also bring that user's own rights to bear.
UniqueHandle ownToken(DWORD access) {
    UniqueHandle token;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), access, token.put())) << GetLastError();
    return token;
}

enum Setup {
    NO_APPDATA,
    MISSING_APPDATA,
    NO_PRODUCT_FOLDER,
    NOTHING_THERE,
    FILE_THERE,
    READ_ONLY_FILE,
    HELD_SHARING_WRITES,
    HELD_SHARING_DELETION,
    HELD_SHARING_NOTHING,
    HARD_LINK,
    HARD_LINK_HELD_SHARING_WRITES,
    SYMBOLIC_LINK,
    LINKED_PRODUCT_FOLDER,
    SOURCE_IS_THE_DESTINATION,
    HARD_LINKED_SOURCE,
    SYMBOLIC_LINK_SOURCE,
    VANISHED_SOURCE,
    READ_ONLY_SOURCE,
    RIGHTS_NOT_TAKEN,
};

struct CopyCase {
    Setup setup;
    const char* what;
    CopyDecision decision;
    RewriteTarget rewrite; // what the device rewrite after the copy opens
    const char* after;     // the destination's content afterwards; null: there is none
};

// One copy's places as the setup makes them: a program folder with the source ("new"), an AppData
// folder whose product folder may hold the destination, and a folder outside whose file ("protected")
// links may lead to. What holds the destination open, and the links, stay until the scene goes.
class TransferScene {
public:
    explicit TransferScene(Setup setup)
        : setup(setup), outside(outsideFolder.join(L"\\Protected.db")), appData(appDataRoot.path()),
          productFolder(appData + L"\\Veltrano Pro"), destination(productFolder + L"\\Profiles.db64"),
          source(setup == SOURCE_IS_THE_DESTINATION ? destination : programFolder.join(L"\\Profiles.db64")) {}

    void make() {
        ASSERT_TRUE(writeFileBytes(outside, "protected", 9));
        if (setup == NO_APPDATA) {
            appData = KString();
        } else if (setup == MISSING_APPDATA) {
            appData = appDataRoot.join(L"\\Missing");
        } else if (setup != NO_PRODUCT_FOLDER && setup != LINKED_PRODUCT_FOLDER) {
            ASSERT_TRUE(CreateDirectoryW(productFolder.text(), nullptr)) << GetLastError();
        }
        if (setup == SYMBOLIC_LINK_SOURCE) {
            const KString secret = outsideFolder.join(L"\\Secret.db");
            ASSERT_TRUE(writeFileBytes(secret, "new", 3));
            link = std::make_unique<UnixSymbolicLink>(secret, source);
        } else if (setup != VANISHED_SOURCE) {
            ASSERT_TRUE(writeFileBytes(source, "new", 3));
        }
        switch (setup) {
        case FILE_THERE:
        case READ_ONLY_FILE:
        case HELD_SHARING_WRITES:
        case HELD_SHARING_DELETION:
        case HELD_SHARING_NOTHING:
        case VANISHED_SOURCE:
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
            ASSERT_TRUE(
                CreateHardLinkW(outsideFolder.join(L"\\Profiles.db64").text(), outside.text(), nullptr));
            link = std::make_unique<UnixSymbolicLink>(outsideFolder.path(), productFolder);
            break;
        case HARD_LINKED_SOURCE:
            ASSERT_TRUE(CreateHardLinkW(outsideFolder.join(L"\\Other.db").text(), source.text(), nullptr))
                << GetLastError();
            break;
        default:
            break;
        }
        if (link) {
            ASSERT_TRUE(link->isMade()) << link->whyNotMade();
        }
        if (setup == READ_ONLY_FILE) {
            ASSERT_TRUE(SetFileAttributesW(destination.text(), FILE_ATTRIBUTE_READONLY)) << GetLastError();
        }
        if (setup == READ_ONLY_SOURCE) {
            ASSERT_TRUE(SetFileAttributesW(source.text(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))
                << GetLastError();
        }
        if (setup == HELD_SHARING_WRITES || setup == HARD_LINK_HELD_SHARING_WRITES ||
            setup == HELD_SHARING_DELETION || setup == HELD_SHARING_NOTHING) {
            DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
            if (setup == HELD_SHARING_NOTHING) {
                sharing = 0;
            } else if (setup == HELD_SHARING_DELETION) {
                sharing |= FILE_SHARE_DELETE;
            }
            holder.reset(CreateFileW(destination.text(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(holder.isValid()) << GetLastError();
        }
    }

    // Lets go of the destination.
    void release() { holder.reset(); }

    const Setup setup;
    const TemporaryFolder programFolder;
    const TemporaryFolder outsideFolder;
    const TemporaryFolder appDataRoot;
    const KString outside;
    KString appData;
    const KString productFolder;
    const KString destination;
    const KString source;

private:
    std::unique_ptr<UnixSymbolicLink> link;
    UniqueFileHandle holder;
};

// What the examination decides is what the copy then does, and neither writes through a link nor
// loses a file: a prediction of the copy and the copy cannot differ.
void expectEachCopyAsExamined(const std::vector<CopyCase>& cases) {
    const KString fileName(L"\\Profiles.db64", KString::REFER_STATIC);
    const UniqueHandle userToken = ownToken(TOKEN_QUERY | TOKEN_DUPLICATE);
    // Impersonating a primary token needs its duplication.
    const UniqueHandle unusableToken = ownToken(TOKEN_QUERY | TOKEN_IMPERSONATE);
    for (const CopyCase& test : cases) {
        SCOPED_TRACE(test.what);
        TransferScene scene(test.setup);
        ASSERT_NO_FATAL_FAILURE(scene.make());
        const KString& source = scene.source;
        const KString& destination = scene.destination;
        const KString& appData = scene.appData;
        const HANDLE token = test.setup == RIGHTS_NOT_TAKEN ? unusableToken.get() : userToken.get();

        {
            const ConfigurationCopy examined(source, appData, fileName, token);
            EXPECT_EQ(test.decision, examined.decision());
            EXPECT_EQ(test.rewrite, examined.rewriteTarget());
        }
        EXPECT_EQ(test.rewrite, copyConfigurationFile(source, fileName, appData, token));
        if (test.setup == HELD_SHARING_DELETION) {
            EXPECT_EQ("new", contentOf(destination)) << "while the product holds the old file";
        }
        scene.release();

        std::string bytes;
        const bool readable = readFileBytes(destination, bytes);
        if (test.after == nullptr) {
            EXPECT_FALSE(readable) << bytes;
        } else {
            ASSERT_TRUE(readable) << "no file there: error " << GetLastError();
            EXPECT_EQ(test.after, bytes);
        }
        if (test.decision == CopyDecision::COPY_NEW || test.decision == CopyDecision::REPLACE) {
            const UniqueFileHandle copy(CreateFileW(destination.text(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            BY_HANDLE_FILE_INFORMATION information = {};
            ASSERT_TRUE(GetFileInformationByHandle(copy.get(), &information)) << GetLastError();
            EXPECT_EQ(1u, information.nNumberOfLinks) << "the copy is a file of its own";
        }
        WIN32_FIND_DATAW found;
        const UniqueFindHandle aside(
            FindFirstFileW((scene.productFolder + L"\\*.pellmont-*").text(), &found));
        EXPECT_FALSE(aside.isValid())
            << "left behind: " << KString(found.cFileName, KString::COPY_TEXT).utf8();
        EXPECT_EQ("protected", contentOf(scene.outside)) << "written through a link";
        if (test.setup != VANISHED_SOURCE) {
            EXPECT_EQ("new", contentOf(source));
        }
        if (test.setup == READ_ONLY_SOURCE) {
            // Only the copy loses the read-only attribute, and only that one: the next run replaces it.
            constexpr DWORD BOTH = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
            EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN),
                      GetFileAttributesW(destination.text()) & BOTH);
            EXPECT_EQ(BOTH, GetFileAttributesW(source.text()) & BOTH);
            EXPECT_EQ(CopyDecision::REPLACE, ConfigurationCopy(source, appData, fileName, token).decision());
            SetFileAttributesW(source.text(), FILE_ATTRIBUTE_NORMAL);
        }
        if (test.setup == READ_ONLY_FILE) {
            SetFileAttributesW(destination.text(), FILE_ATTRIBUTE_NORMAL);
        }
    }
}

// Whether there is an AppData folder and a product folder in it, what the product folder is, and
// whether the desktop user's rights can be taken for it.
TEST(ConfigurationTransfer, TheCopyDoesWhatItsExaminationDecidesOfTheProductFolder) {
    expectEachCopyAsExamined({
        {NO_APPDATA, "no AppData folder", CopyDecision::NO_APPDATA_FOLDER, RewriteTarget::NONE, nullptr},
        {MISSING_APPDATA, "the AppData folder is missing", CopyDecision::NO_PRODUCT_FOLDER,
         RewriteTarget::NONE, nullptr},
        {NO_PRODUCT_FOLDER, "no product folder yet", CopyDecision::COPY_NEW, RewriteTarget::FRESH_COPY,
         "new"},
        {LINKED_PRODUCT_FOLDER, "the product folder a link to an outside folder",
         CopyDecision::FOLDER_REDIRECTED, RewriteTarget::NONE, "protected"},
        {RIGHTS_NOT_TAKEN, "the desktop user's rights cannot be taken", CopyDecision::NO_USER_RIGHTS,
         RewriteTarget::NONE, nullptr},
    });
}

// What is at the destination's name: nothing, the user's file, a file held open, a link.
TEST(ConfigurationTransfer, TheCopyDoesWhatItsExaminationDecidesOfTheDestination) {
    expectEachCopyAsExamined({
        {NOTHING_THERE, "nothing there", CopyDecision::COPY_NEW, RewriteTarget::FRESH_COPY, "new"},
        {FILE_THERE, "a file there", CopyDecision::REPLACE, RewriteTarget::FRESH_COPY, "new"},
        // wineOnly: the tests run as root, which may write a read-only file, so only the copy's own
        // refusal keeps it; on Windows the write itself would fail.
        {READ_ONLY_FILE, "a read-only file there", CopyDecision::READ_ONLY_DESTINATION, RewriteTarget::NONE,
         "old"},
        {HELD_SHARING_WRITES, "held open without deletion, sharing writes", CopyDecision::OVERWRITE,
         RewriteTarget::FRESH_COPY, "new"},
        // As the running product holds its configuration: replaced, and still there once it closes.
        {HELD_SHARING_DELETION, "held open sharing deletion", CopyDecision::REPLACE,
         RewriteTarget::FRESH_COPY, "new"},
        {HELD_SHARING_NOTHING, "held open sharing nothing", CopyDecision::DESTINATION_KEPT,
         RewriteTarget::NONE, "old"},
        {HARD_LINK, "a hard link to an outside file", CopyDecision::REPLACE, RewriteTarget::FRESH_COPY,
         "new"},
        {HARD_LINK_HELD_SHARING_WRITES, "a hard link held open without deletion, sharing writes",
         CopyDecision::DESTINATION_KEPT, RewriteTarget::NONE, "protected"},
        // Wine opens a file link as its target, so it is not the name: kept there.
        {SYMBOLIC_LINK, "a symbolic link to an outside file",
         wineOnly(CopyDecision::DESTINATION_KEPT, "REPLACE: Windows opens the link itself"),
         wineOnly(RewriteTarget::NONE, "FRESH_COPY, the copy that replaced the link"),
         wineOnly("protected", "new, the copy that replaced the link")},
    });
}

// What the source is: the destination itself, a link, gone, read-only.
TEST(ConfigurationTransfer, TheCopyDoesWhatItsExaminationDecidesOfTheSource) {
    expectEachCopyAsExamined({
        // Nothing copied, and the rewrite works on the file in place.
        {SOURCE_IS_THE_DESTINATION, "started from the product folder itself", CopyDecision::SAME_FILE,
         RewriteTarget::FILE_THERE, "new"},
        {HARD_LINKED_SOURCE, "the source a hard link to another user's file", CopyDecision::LINKED_SOURCE,
         RewriteTarget::NONE, nullptr},
        {SYMBOLIC_LINK_SOURCE, "the source a symbolic link to another user's file",
         CopyDecision::LINKED_SOURCE, RewriteTarget::NONE, nullptr},
        // Nothing copied: the rewrite works on the user's own file.
        {VANISHED_SOURCE, "the source gone", CopyDecision::LINKED_SOURCE, RewriteTarget::FILE_THERE, "old"},
        {READ_ONLY_SOURCE, "a read-only and hidden source", CopyDecision::COPY_NEW, RewriteTarget::FRESH_COPY,
         "new"},
    });
}

TEST(ConfigurationTransfer, UndeterminableAppDataFolderSkipsTheCopy) {
    const TemporaryFolder folder;
    const KString source = folder.join(L"\\Profiles.db64");
    ASSERT_TRUE(writeFileBytes(source, "profiles", 8));
    // Where an empty AppData folder would put the product folder: the root of the current drive.
    wchar_t rootFolder[MAX_PATH] = {};
    GetFullPathNameW(L"\\Veltrano Pro", MAX_PATH, rootFolder, nullptr);
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(rootFolder)) << "exists before the test";
    {
        const UndeterminableAppData undeterminable;
        ASSERT_TRUE(undeterminable.changed);
        const KString appData = getInteractiveUserAppDataFolder();
        EXPECT_TRUE(appData.isEmpty()) << KString(appData).utf8();

        copyConfigurationFile(source, KString(L"\\Profiles.db64", KString::REFER_STATIC), appData, nullptr);
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(rootFolder));
    RemoveDirectoryW(rootFolder);
    EXPECT_FALSE(getInteractiveUserAppDataFolder().isEmpty());
}

TEST(ConfigurationTransfer, ProductFolderNamedInOtherLetterCaseIsTheProductFolder) {
    const TemporaryFolder folder;
    const KString source = folder.join(L"\\Profiles.db64");
    ASSERT_TRUE(writeFileBytes(source, "profiles", 8));
    const CleanMachine machine;
    ASSERT_TRUE(CreateDirectoryW((getInteractiveUserAppDataFolder() + L"\\VELTRANO PRO").text(), nullptr))
        << GetLastError();

    copyConfigurationFile(source, KString(L"\\Profiles.db64", KString::REFER_STATIC),
                          getInteractiveUserAppDataFolder(), nullptr);

    EXPECT_EQ("profiles", contentOf(machine.productFolder() + L"\\Profiles.db64"));
}

} // namespace
