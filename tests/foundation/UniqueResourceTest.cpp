#include "foundation/UniqueResource.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

bool isOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

} // namespace

TEST(UniqueResource, ClosesOnceAndKeepsTheLastError) {
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, raw);
    {
        UniqueHandle owner(raw);
        UniqueHandle moved(std::move(owner));
        EXPECT_FALSE(owner.isValid());
        EXPECT_EQ(raw, moved.get());
        SetLastError(0xdeadbeef);
        moved.reset();
        EXPECT_EQ(0xdeadbeefu, GetLastError()) << "closing does not disturb the caller's error";
        EXPECT_FALSE(isOpen(raw));
    }

    UniqueHandle reused(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE old = reused.get();
    *reused.put() = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(isOpen(old)) << "put frees the old value first";
    EXPECT_TRUE(isOpen(reused.get()));

    const HANDLE released = reused.release();
    EXPECT_FALSE(reused.isValid());
    EXPECT_TRUE(CloseHandle(released));

    const UniqueFileHandle failedOpen(
        CreateFileW(L"C:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(failedOpen.isValid()) << "INVALID_HANDLE_VALUE is the invalid value of a file handle";
}
