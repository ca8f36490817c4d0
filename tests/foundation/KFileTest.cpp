#include "foundation/KFile.h"

#include "foundation/UniqueResource.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

KString utf16File(const TemporaryFolder& folder, const wchar_t* name, const std::wstring& units) {
    const KString path = folder.join(name);
    EXPECT_TRUE(
        writeFileBytes(path, units.data(), static_cast<unsigned long>(units.size() * sizeof(wchar_t))));
    return path;
}

} // namespace

TEST(KFile, OpenAlwaysCreatesAnEmptyFile) {
    TemporaryFolder folder;
    const KString path = folder.join(L"\\new.bin");
    KFile file;
    ASSERT_TRUE(file.open(path, GENERIC_READ | GENERIC_WRITE, true)) << GetLastError();
    EXPECT_TRUE(KFile::exists(path));
    EXPECT_EQ(0u, file.getSize());
    EXPECT_EQ(0u, file.getPosition());
    EXPECT_EQ(nullptr, file.readAll());
    EXPECT_TRUE(file.readText(false).isEmpty());
    EXPECT_TRUE(file.readText(true).isEmpty());
}

TEST(KFile, OpenFailsOnAFolderAndInAMissingFolder) {
    TemporaryFolder folder;
    const KString paths[] = {folder.path(), folder.join(L"\\missing\\file.bin")};
    for (const KString& path : paths) {
        KFile file;
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(file.open(path, GENERIC_READ | GENERIC_WRITE, true));
        EXPECT_NE(0xdeadbeefu, GetLastError());
        EXPECT_EQ(INVALID_HANDLE_VALUE, file.getHandle());
        EXPECT_EQ(0u, file.getSize()) << "operations on a failed open fail too";
        EXPECT_EQ(INVALID_SET_FILE_POINTER, file.getPosition());
    }
    EXPECT_FALSE(KFile::exists(folder.join(L"\\missing"))) << "no folder was created";
}

TEST(KFile, ReadWriteAndPositions) {
    TemporaryFolder folder;
    const KString path = folder.join(L"\\data.bin");
    KFile file;
    ASSERT_TRUE(file.open(path, GENERIC_READ | GENERIC_WRITE, true));
    const char bytes[] = "0123456789";
    EXPECT_EQ(10u, file.write(bytes, 10));
    EXPECT_EQ(10u, file.getPosition());
    EXPECT_TRUE(file.seekToStart());
    EXPECT_EQ(0u, file.getPosition());
    EXPECT_TRUE(file.seek(4, FILE_BEGIN));
    char got[4] = {};
    EXPECT_EQ(3u, file.read(got, 3));
    EXPECT_STREQ("456", got);
    EXPECT_TRUE(file.seek(-2, FILE_CURRENT));
    EXPECT_EQ(5u, file.getPosition());
    EXPECT_FALSE(file.seek(-100, FILE_CURRENT)) << "a move before the start fails";
    EXPECT_TRUE(file.seekToEnd());
    EXPECT_EQ(file.getSize(), file.getPosition());
    EXPECT_EQ(0u, file.read(got, 3)) << "nothing to read at the end";

    EXPECT_EQ(nullptr, file.readAll()) << "a short read from the end gives nothing";
    EXPECT_TRUE(file.seekToStart());
    char* const all = static_cast<char*>(file.readAll());
    ASSERT_NE(nullptr, all);
    EXPECT_EQ(0, std::memcmp(all, bytes, 10));
    std::free(all);
}

TEST(KFile, ReadTextStopsAtTheFirstZero) {
    TemporaryFolder folder;
    {
        KFile file;
        ASSERT_TRUE(
            file.open(utf16File(folder, L"\\wide.txt", std::wstring(L"ab\0cd", 5)), GENERIC_READ, true));
        const KString text = file.readText(true);
        EXPECT_STREQ(L"ab", text.text());
        EXPECT_EQ(2, text.length());
    }
    {
        const KString path = folder.join(L"\\narrow.txt");
        ASSERT_TRUE(writeFileBytes(path, "x\xC3\xA9y\0z", 6));
        KFile file;
        ASSERT_TRUE(file.open(path, GENERIC_READ, true));
        EXPECT_STREQ(L"x\u00e9y", file.readText(false).text());
        EXPECT_TRUE(file.readText(false).isEmpty()) << "read from the end, where the first read left it";
        ASSERT_TRUE(file.seek(1, FILE_BEGIN));
        EXPECT_TRUE(file.readText(false).isEmpty()) << "fewer bytes than the file's size give nothing";
        ASSERT_TRUE(file.seekToStart());
        EXPECT_STREQ(L"x\u00e9y", file.readText(false).text());
    }
    {
        KFile file;
        ASSERT_TRUE(file.open(utf16File(folder, L"\\bom.txt", L"\xFEFFtext"), GENERIC_READ, true));
        const KString text = file.readText(true);
        EXPECT_EQ(5, text.length()) << "the byte-order mark is kept";
        EXPECT_EQ(0xFEFF, text.text()[0]);
    }
}

TEST(KFile, ReadTextOfOddLengthStaysInsideTheBuffer) {
    TemporaryFolder folder;
    const KString path = folder.join(L"\\odd.txt");
    ASSERT_TRUE(writeFileBytes(path, "a\0b\0c", 5)); // two units and a stray byte
    KFile file;
    ASSERT_TRUE(file.open(path, GENERIC_READ, true));
    const KString text = file.readText(true);
    EXPECT_STREQ(L"ab", text.text()) << "the odd last byte is dropped";
}

TEST(KFile, WriteText) {
    TemporaryFolder folder;
    const KString path = folder.join(L"\\out.txt");
    {
        KFile file;
        ASSERT_TRUE(file.open(path, GENERIC_READ | GENERIC_WRITE, true));
        const KString text(L"caf\u00e9 \U0001F3B5", KString::COPY_TEXT);
        EXPECT_TRUE(file.writeText(text, false));
        EXPECT_TRUE(file.writeText(KString(), false)) << "an empty text writes nothing and succeeds";
        EXPECT_TRUE(file.writeText(KString(L"!", KString::COPY_TEXT), true));
    }
    std::string bytes;
    ASSERT_TRUE(readFileBytes(path, bytes));
    EXPECT_EQ(std::string("caf\xC3\xA9 \xF0\x9F\x8E\xB5!\0", 12), bytes);
}

TEST(KFile, ExistsTellsFilesFromFolders) {
    TemporaryFolder folder;
    EXPECT_FALSE(KFile::exists(folder.path()));
    EXPECT_FALSE(KFile::exists(folder.join(L"\\absent")));
    EXPECT_FALSE(KFile::exists(KString()));

    const KString path = folder.join(L"\\locked.bin");
    ASSERT_TRUE(writeFileBytes(path, "x", 1));
    const HANDLE exclusive = CreateFileW(path.text(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, exclusive) << GetLastError();
    KFile blocked;
    EXPECT_FALSE(blocked.open(path, GENERIC_READ, true)) << "the file is locked";
    EXPECT_TRUE(KFile::exists(path)) << "a locked file still exists";
    CloseHandle(exclusive);
}

TEST(KFile, HandleOwnershipFollowsCloseOnDestroyAndOthersMayShare) {
    TemporaryFolder folder;
    const KString path = folder.join(L"\\owned.bin");
    {
        KFile file;
        ASSERT_TRUE(file.open(path, GENERIC_READ | GENERIC_WRITE, true));
        const UniqueFileHandle other(CreateFileW(path.text(), GENERIC_READ | GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(other.isValid()) << "another handle may read and write: " << GetLastError();
    }
    EXPECT_FALSE(isHeldOpen(path)) << "an owned handle closes with the object";

    HANDLE leftOpen = INVALID_HANDLE_VALUE;
    {
        KFile file;
        ASSERT_TRUE(file.open(path, GENERIC_READ, false));
        leftOpen = file.getHandle();
    }
    EXPECT_TRUE(isHeldOpen(path)) << "a handle not owned outlives the object";
    EXPECT_TRUE(CloseHandle(leftOpen));

    KFile reused;
    ASSERT_TRUE(reused.open(path, GENERIC_READ, false));
    ASSERT_TRUE(reused.open(folder.join(L"\\second.bin"), GENERIC_READ, true));
    EXPECT_FALSE(isHeldOpen(path)) << "a second open closes the first handle, owned or not";
    EXPECT_TRUE(reused.close());
    EXPECT_EQ(INVALID_HANDLE_VALUE, reused.getHandle());
}
