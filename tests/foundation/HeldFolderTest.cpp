// A held folder cannot be renamed or removed from under what is done in it, and the names in it are
// made and renamed relative to it, as its contract says.

#include "foundation/HeldFolder.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

HeldFolder hold(const KString& path) {
    return HeldFolder(UniqueFileHandle(CreateFileW(path.text(), HeldFolder::HOLDING_ACCESS, HeldFolder::HOLDING_SHARE,
                                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
}

std::string contentOf(const KString& path) {
    std::string bytes;
    return readFileBytes(path, bytes) ? bytes : std::string("(none)");
}

// Listing takes part in sharing where reading attributes does not: only a handle that lists the
// folder stops it being renamed (the rename's open for deletion fails), on Windows and under Wine.
TEST(HeldFolder, AHeldFolderCannotBeRenamedOrRemoved) {
    const TemporaryFolder root;
    const KString folder = root.join(L"\\Held");
    ASSERT_TRUE(CreateDirectoryW(folder.text(), nullptr)) << GetLastError();
    {
        const HeldFolder held = hold(folder);
        ASSERT_TRUE(static_cast<bool>(held)) << GetLastError();
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(MoveFileW(folder.text(), root.join(L"\\Moved").text()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(RemoveDirectoryW(folder.text()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    }
    EXPECT_TRUE(MoveFileW(folder.text(), root.join(L"\\Moved").text())) << "once let go: " << GetLastError();
}

TEST(HeldFolder, NamesAreMadeOpenedAndRenamedInTheFolder) {
    const TemporaryFolder root;
    const HeldFolder held = hold(root.path());
    ASSERT_TRUE(static_cast<bool>(held)) << GetLastError();

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(held.openName(L"missing", FILE_READ_ATTRIBUTES));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

    UniqueFileHandle made = held.createFile(L"made", GENERIC_WRITE | DELETE, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(made.isValid()) << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(made.get(), "made", 4, &written, nullptr));
    // Made new: a name that is taken, by a file or a folder, makes it fail (the system's own error for
    // the collision; CreateFileW alone turns it into ERROR_FILE_EXISTS).
    ASSERT_TRUE(writeFileBytes(root.join(L"\\taken"), "taken", 5));
    ASSERT_TRUE(CreateDirectoryW(root.join(L"\\folder").text(), nullptr));
    for (const wchar_t* name : {L"taken", L"folder"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(held.createFile(name, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL));
        EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    }

    // Without replace a taken name stays; with replace it passes to the file.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(held.rename(made.get(), L"taken", false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ("taken", contentOf(root.join(L"\\taken")));
    EXPECT_TRUE(held.rename(made.get(), L"taken", true)) << GetLastError();
    made.reset();
    EXPECT_EQ("made", contentOf(root.join(L"\\taken")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(root.join(L"\\made").text()));

    // A file that others hold open keeps its name against a plain replace, as on Windows.
    const UniqueFileHandle holder(CreateFileW(root.join(L"\\taken").text(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.isValid()) << GetLastError();
    const UniqueFileHandle other = held.createFile(L"other", GENERIC_WRITE | DELETE, FILE_ATTRIBUTE_NORMAL);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(held.rename(other.get(), L"taken", true));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}

} // namespace
