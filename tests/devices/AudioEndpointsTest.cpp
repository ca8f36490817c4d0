#include "devices/AudioEndpoints.h"
#include "DeviceTestFixture.h"
#include "EndpointProbe.h"
#include "PulseNullSink.h"
#include "foundation/UniqueResource.h"
#include "support/HeapUsage.h"
#include "support/Programs.h"
#include "support/WineOnly.h"

#include <mmdeviceapi.h>

#include <string>

namespace {

constexpr DWORD PROBE_TIMEOUT_MS = 30000;
constexpr DWORD UNLOAD_TIMEOUT_MS = 10000;

std::wstring lookUp(const std::wstring& name) {
    const KString id = findEndpointIdByName(name.c_str());
    return id.isEmpty() ? std::wstring() : std::wstring(id.text(), static_cast<size_t>(id.length()));
}

// Runs devices_test_probe for the name: its exit code, STILL_ACTIVE when it did not end in time (it is
// then ended), or ~0u when it did not start.
DWORD probeEndpoint(const std::wstring& name) {
    const std::wstring program = helperProgram(L"\\devices_test_probe.exe").text();
    std::wstring commandLine = L"\"" + program + L"\" \"" + name + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &created)) {
        return ~0u;
    }
    const UniqueHandle process(created.hProcess);
    const UniqueHandle thread(created.hThread);
    if (WaitForSingleObject(process.get(), PROBE_TIMEOUT_MS) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return STILL_ACTIVE;
    }
    DWORD exitCode = ~0u;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}

} // namespace

using AudioEndpointsTest = DeviceTestFixture;

TEST_F(AudioEndpointsTest, FindsRenderAndCaptureEndpointsByTheirFriendlyNames) {
    // A render identifier begins {0.0.0., a capture one {0.0.1.: both directions are searched.
    const std::wstring speakers = lookUp(L"Speakers (Studio USB)");
    const std::wstring microphone = lookUp(L"Microphone (Studio USB)");
    EXPECT_EQ(idOf(L"Speakers (Studio USB)"), speakers);
    EXPECT_EQ(idOf(L"Microphone (Studio USB)"), microphone);
    EXPECT_EQ(0u, speakers.find(L"{0.0.0.")) << ::testing::PrintToString(speakers);
    EXPECT_EQ(0u, microphone.find(L"{0.0.1.")) << ::testing::PrintToString(microphone);
    for (const Endpoint& endpoint : endpoints) {
        EXPECT_EQ(firstEndpointId(endpoints, endpoint.name), lookUp(endpoint.name))
            << ::testing::PrintToString(endpoint.name);
    }
}

TEST_F(AudioEndpointsTest, SharedNameGivesTheEndpointListedFirst) {
    std::vector<std::wstring> ids;
    for (const Endpoint& endpoint : endpoints) {
        if (endpoint.name == L"Line 1") {
            ids.push_back(endpoint.id);
        }
    }
    ASSERT_EQ(2u, ids.size()) << "a render and a capture endpoint should share the name";
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_EQ(ids[0], lookUp(L"Line 1"));
}

TEST_F(AudioEndpointsTest, NamesDifferingInCaseOrBlanksAreDifferentNames) {
    EXPECT_EQ(idOf(L"Headphones"), lookUp(L"Headphones"));
    EXPECT_EQ(idOf(L"HEADPHONES"), lookUp(L"HEADPHONES"));
    EXPECT_NE(lookUp(L"Headphones"), lookUp(L"HEADPHONES"));
    const wchar_t* const absentNames[] = {L"headphones",
                                          L"Headphones ",
                                          L" Headphones",
                                          L"Headphone",
                                          L"Speakers",
                                          L"line 1",
                                          L"Line 1 ",
                                          L"Line  1",
                                          L"Microphone (Studio USB) ",
                                          L""};
    for (const wchar_t* name : absentNames) {
        ASSERT_TRUE(firstEndpointId(endpoints, name).empty())
            << "the platform has an endpoint named " << name;
        EXPECT_EQ(L"", lookUp(name)) << ::testing::PrintToString(std::wstring(name));
    }
}

TEST_F(AudioEndpointsTest, RepeatedLookupsReleaseWhatTheyObtain) {
    // Each lookup reads every endpoint's name; names or identifiers left unfreed would add up.
    for (int warmUp = 0; warmUp < 20; ++warmUp) {
        lookUp(warmUp % 2 == 0 ? L"Nowhere" : L"Microphone (Studio USB)");
    }
    const size_t before = heapBytesInUse();
    for (int call = 0; call < 1000; ++call) {
        lookUp(call % 2 == 0 ? L"Nowhere" : L"Microphone (Studio USB)");
    }
    const size_t after = heapBytesInUse();
    // One identifier left unfreed per found endpoint would be more than 50 KiB.
    EXPECT_LT(after, before + 16 * 1024) << "heap use grew from " << before << " to " << after;
}

TEST_F(AudioEndpointsTest, RemovedDeviceStillListedAsNotPresentIsNotFound) {
    PulseNullSink sink(folder);
    ASSERT_TRUE(sink.isLoaded()) << sink.whyNotLoaded();
    // A process that starts while the sink is there sees it; from then on the audio stack keeps the
    // device in the prefix's registry.
    // wineOnly: a process lists the devices that were there when it first asked, so each question is a
    // process of its own; Windows lists devices as they come and go.
    constexpr DWORD THERE = DEVICE_STATE_ACTIVE | PROBE_LOOKUP_GIVES_IT;
    const DWORD whileThere = probeEndpoint(sink.name());
    ASSERT_EQ(THERE, whileThere) << "probe's exit code 0x" << std::hex << whileThere;
    ASSERT_TRUE(sink.unload()) << "error " << GetLastError();

    // pactl's end cannot be waited for: processes that start later are asked until one sees a change.
    DWORD removed = THERE;
    const ULONGLONG deadline = GetTickCount64() + UNLOAD_TIMEOUT_MS;
    while (removed == THERE && GetTickCount64() < deadline) {
        removed = probeEndpoint(sink.name());
    }
    // 0x14 would be a device that is not present, found by its name all the same.
    EXPECT_EQ(wineOnly(static_cast<DWORD>(DEVICE_STATE_NOTPRESENT),
                       "DEVICE_STATE_UNPLUGGED where the device's driver reports it unplugged from its jack"),
              removed)
        << "probe's exit code 0x" << std::hex << removed;
}
