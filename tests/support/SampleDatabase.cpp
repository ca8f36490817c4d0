#include "SampleDatabase.h"

#include "EndpointList.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <objbase.h>

DatabaseDescription deviceDatabase(const std::wstring& headerFirst, const std::wstring& headerSecond,
                                   const std::wstring& recordFirst, const std::wstring& recordSecond) {
    DatabaseDescription description;
    description.firstDeviceId = L"{0.0.0.00000000}.{11111111-1111-1111-1111-111111111111}";
    description.firstDeviceName = headerFirst;
    description.secondDeviceId = L"{0.0.1.00000000}.{22222222-2222-2222-2222-222222222222}";
    description.secondDeviceName = headerSecond;
    description.entries = {{true, 40}, {false, 12}};
    description.records = {
        otherRecord(16),
        devicePairRecord({L"{0.0.0.00000000}.{33333333-3333-3333-3333-333333333333}", recordFirst,
                          L"{0.0.1.00000000}.{44444444-4444-4444-4444-444444444444}", recordSecond})};
    return description;
}

DatabaseFile runDatabase() {
    DatabaseDescription description = deviceDatabase(L"Speakers (Studio USB)", L"Microphone (Studio USB)",
                                                     L"Headphones", L"Monitor of Speakers (Studio USB)");
    description.trailingBytes = 9;
    return buildDatabase(description);
}

void expectRewrittenRunDatabase(const KString& path, const DatabaseFile& original) {
    std::string bytes;
    ASSERT_TRUE(readFileBytes(path, bytes)) << "no database at " << KString(path).utf8();
    ASSERT_EQ(original.bytes.size(), bytes.size());
    EXPECT_EQ("VNC", bytes.substr(0, 3));
    const HRESULT com = CoInitialize(nullptr);
    const std::vector<Endpoint> endpoints = activeEndpoints();
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    const std::wstring speakers = firstEndpointId(endpoints, L"Speakers (Studio USB)");
    const std::wstring microphone = firstEndpointId(endpoints, L"Microphone (Studio USB)");
    const std::wstring headphones = firstEndpointId(endpoints, L"Headphones");
    const std::wstring monitor = firstEndpointId(endpoints, L"Monitor of Speakers (Studio USB)");
    ASSERT_FALSE(speakers.empty() || microphone.empty() || headphones.empty() || monitor.empty())
        << "the test platform's endpoints are missing";
    EXPECT_EQ(speakers, fieldText(bytes, DatabaseOffsets::HEADER_FIRST_ID, 256));
    EXPECT_EQ(microphone, fieldText(bytes, DatabaseOffsets::HEADER_SECOND_ID, 256));
    const size_t body = original.bodyOffsets[1];
    EXPECT_EQ(headphones, fieldText(bytes, body + DatabaseOffsets::RECORD_FIRST_ID, 128));
    EXPECT_EQ(monitor, fieldText(bytes, body + DatabaseOffsets::RECORD_SECOND_ID, 128));
}
