#pragma once

#include "support/EndpointList.h"
#include "support/SameBytes.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// COM on the test's thread, the machine's endpoints, and a folder of the test's own.
class DeviceTestFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The identifier of the first endpoint with that name; fails the test when there is none.
    std::wstring idOf(const std::wstring& name);
    // Writes the bytes to a database file, rewrites it and gives back what it then holds. Checks that
    // the rewrite closed the file; heldOpenElsewhere has another handle read and write it meanwhile.
    std::string rewrite(const std::string& bytes, bool heldOpenElsewhere = false);

    TemporaryFolder folder;
    KString path = folder.join(L"\\Profiles.db64");
    std::vector<Endpoint> endpoints;

private:
    bool comInitialised = false;
};
