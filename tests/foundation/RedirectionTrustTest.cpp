#include "foundation/RedirectionTrust.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

// What can be shown here is that the policy is asked for and that folders and files that are no
// links are made and written all the same.
// wineOnly: Wine takes the policy and does nothing with it; Windows then ignores the junctions that
// accounts without administrator rights made.
TEST(RedirectionTrust, IsTakenAndPlainFoldersStayWritable) {
    EXPECT_TRUE(enforceRedirectionTrust());

    const TemporaryFolder folder;
    const KString productFolder = folder.join(L"\\Veltrano Pro");
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(CreateDirectoryW(productFolder.text(), nullptr)) << GetLastError();
    EXPECT_TRUE(writeFileBytes(productFolder + L"\\Profiles.db64", "profiles", 8)) << GetLastError();
    std::string bytes;
    EXPECT_TRUE(readFileBytes(productFolder + L"\\Profiles.db64", bytes));
    EXPECT_EQ("profiles", bytes);
}
