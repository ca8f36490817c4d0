// Every spelling of a folder gives one text, so that names joined to it lead where the folder's own
// name leads and every decision made on it is the same.

#include "foundation/FolderPath.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FolderPath, EverySpellingOfAFolderIsNormalisedToOne) {
    const struct {
        const wchar_t* spelt;
        const wchar_t* normalised;
    } cases[] = {
        {L"C:\\users\\me\\AppData\\Roaming", L"C:\\users\\me\\AppData\\Roaming"},
        {L"C:\\users\\me\\AppData\\Roaming\\", L"C:\\users\\me\\AppData\\Roaming"},
        {L"C:\\users\\me\\AppData\\Local\\..\\Roaming", L"C:\\users\\me\\AppData\\Roaming"},
        {L"C:\\users\\me\\.\\AppData\\Roaming\\.", L"C:\\users\\me\\AppData\\Roaming"},
        {L"C:/users/me/AppData/Roaming/", L"C:\\users\\me\\AppData\\Roaming"},
        // Windows drops a last name's trailing dots and blanks; in the middle they stay.
        {L"C:\\users\\me\\AppData\\Roaming. .", L"C:\\users\\me\\AppData\\Roaming"},
        // A device path keeps its prefix; only the one that Windows resolves is resolved.
        {L"\\\\.\\C:\\users\\me\\AppData\\Local\\..\\Roaming\\", L"\\\\.\\C:\\users\\me\\AppData\\Roaming"},
        {L"\\\\?\\C:\\users\\me\\AppData\\Roaming\\", L"\\\\?\\C:\\users\\me\\AppData\\Roaming"},
        {L"\\\\server\\share\\Roaming\\", L"\\\\server\\share\\Roaming"},
        // A drive's root, not the drive's current folder.
        {L"C:\\", L"C:"},
        {L"C:", L"C:"},
        {L"", L""},
    };
    // The current folder on drive C: and not its root, so that "C:" would name another folder.
    const TemporaryFolder current;
    ASSERT_EQ(L'C', current.path().text()[0]);
    wchar_t before[MAX_PATH] = {};
    ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, before));
    ASSERT_TRUE(SetCurrentDirectoryW(current.path().text()));
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(test.spelt)));
        EXPECT_EQ(std::wstring(test.normalised),
                  normalisedFolderPath(KString(test.spelt, KString::REFER_STATIC)).text());
    }
    SetCurrentDirectoryW(before);
}

} // namespace
