#include "DeviceTestFixture.h"

#include "devices/DeviceIdUpdate.h"
#include "foundation/UniqueResource.h"

#include <objbase.h>
#include <windows.h>

void DeviceTestFixture::SetUp() {
    const HRESULT result = CoInitialize(nullptr);
    ASSERT_TRUE(SUCCEEDED(result)) << "CoInitialize: " << std::hex << result;
    comInitialised = true;
    endpoints = activeEndpoints();
    // The null devices of the test platform; without them no lookup can succeed.
    // wineOnly: PulseAudio's null sinks and sources (tools/test) are Wine's active endpoints; on
    // Windows the endpoints are the machine's own devices.
    for (const wchar_t* name :
         {L"Speakers (Studio USB)", L"Microphone (Studio USB)", L"Line 1", L"Headphones", L"HEADPHONES"}) {
        ASSERT_FALSE(firstEndpointId(endpoints, name).empty())
            << "no active endpoint named " << ::testing::PrintToString(std::wstring(name))
            << "; is the test platform's PulseAudio running?";
    }
}

void DeviceTestFixture::TearDown() {
    if (comInitialised) {
        CoUninitialize();
    }
}

std::wstring DeviceTestFixture::idOf(const std::wstring& name) {
    const std::wstring id = firstEndpointId(endpoints, name);
    EXPECT_FALSE(id.empty()) << "no endpoint named " << ::testing::PrintToString(name);
    return id;
}

std::string DeviceTestFixture::rewrite(const std::string& bytes, bool heldOpenElsewhere) {
    std::string result;
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(writeFileBytes(path, bytes.data(), static_cast<unsigned long>(bytes.size())))
        << "writing the database failed: " << GetLastError();
    {
        const UniqueFileHandle other(heldOpenElsewhere
                                         ? CreateFileW(path.text(), GENERIC_READ | GENERIC_WRITE,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                         : INVALID_HANDLE_VALUE);
        EXPECT_EQ(heldOpenElsewhere, other.isValid());
        updateDeviceIds(path);
    }
    EXPECT_FALSE(isHeldOpen(path)) << "the rewrite left the database open";
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(readFileBytes(path, result)) << "reading the database back failed: " << GetLastError();
    return result;
}
