// The forecast of the device identifier update against the update itself, on the same files and
// this machine's endpoints: a device is foretold "given" exactly when the update stores its identifier.

#include "devices/DeviceForecast.h"
#include "DeviceTestFixture.h"
#include "support/DatabaseBuilder.h"

#include <string>
#include <vector>

using namespace DatabaseOffsets;

namespace {

const std::wstring OLD_IDS[STORED_DEVICE_COUNT] = {
    L"{0.0.0.00000000}.{11111111-1111-1111-1111-another-machine}",
    L"{0.0.1.00000000}.{22222222-2222-2222-2222-another-machine}",
    L"{0.0.0.00000000}.{33333333-3333-3333-3333-another-machine}",
    L"{0.0.1.00000000}.{44444444-4444-4444-4444-another-machine}",
};

DatabaseDescription databaseNaming(const std::vector<std::wstring>& names) {
    DatabaseDescription database;
    database.firstDeviceId = OLD_IDS[0];
    database.secondDeviceId = OLD_IDS[1];
    database.firstDeviceName = names[0];
    database.secondDeviceName = names[1];
    database.entries = {{true, 40}};
    database.records = {otherRecord(16), devicePairRecord({OLD_IDS[2], names[2], OLD_IDS[3], names[3]})};
    return database;
}

} // namespace

using DeviceForecastTest = DeviceTestFixture;

TEST_F(DeviceForecastTest, ForetellsWhatTheUpdateLeavesInTheFile) {
    using O = DeviceOutcome;
    const struct {
        const char* what;
        std::vector<std::wstring> names;
        std::vector<DeviceOutcome> outcomes;
        std::vector<bool> keepsOld;
    } cases[] = {
        {"every device found",
         {L"Speakers (Studio USB)", L"Microphone (Studio USB)", L"Headphones", L"Line 1"},
         {O::GIVEN_ENDPOINT_ID, O::GIVEN_ENDPOINT_ID, O::GIVEN_ENDPOINT_ID, O::GIVEN_ENDPOINT_ID},
         {false, false, false, false}},
        {"the header's second device missing: its first keeps its old identifier",
         {L"Speakers (Studio USB)", L"No Such Device", L"Headphones", L"Line 1"},
         {O::FOUND_NOT_STORED, O::NO_ENDPOINT, O::NOT_REACHED, O::NOT_REACHED},
         {true, true, true, true}},
        {"the header's first device missing",
         {L"No Such Device", L"Microphone (Studio USB)", L"Tone Source", L"Line 1"},
         {O::NO_ENDPOINT, O::NOT_REACHED, O::NOT_REACHED, O::NOT_REACHED},
         {true, true, false, true}},
        {"the record's second device missing: the header is stored, the record not",
         {L"Tone Source", L"Microphone (Studio USB)", L"Headphones", L"LINE 1"},
         {O::PSEUDO_DEVICE, O::GIVEN_ENDPOINT_ID, O::FOUND_NOT_STORED, O::NO_ENDPOINT},
         {false, false, true, true}},
        {"built-in devices in the record",
         {L"Speakers (Studio USB)", L"Line 1", L"Capture Writer", L"Silent Sink"},
         {O::GIVEN_ENDPOINT_ID, O::GIVEN_ENDPOINT_ID, O::PSEUDO_DEVICE, O::PSEUDO_DEVICE},
         {false, false, false, false}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        const DatabaseFile file = buildDatabase(databaseNaming(test.names));
        ASSERT_TRUE(writeFileBytes(path, file.bytes.data(), static_cast<unsigned long>(file.bytes.size())));

        const DatabaseForecast forecast = forecastDeviceIdUpdate(path);
        EXPECT_TRUE(forecast.readable);
        EXPECT_EQ(WalkEnd::COMPLETE, forecast.end);
        std::string afterForecast;
        ASSERT_TRUE(readFileBytes(path, afterForecast));
        EXPECT_TRUE(sameBytes(file.bytes, afterForecast)) << "the forecast wrote";
        const std::string updated = rewrite(file.bytes);

        const size_t offsets[STORED_DEVICE_COUNT] = {HEADER_FIRST_ID, HEADER_SECOND_ID,
                                                     file.bodyOffsets[1] + RECORD_FIRST_ID,
                                                     file.bodyOffsets[1] + RECORD_SECOND_ID};
        for (int place = 0; place < STORED_DEVICE_COUNT; ++place) {
            SCOPED_TRACE("device " + std::to_string(place));
            const DeviceForecast& device = forecast.devices[place];
            EXPECT_EQ(test.outcomes[place], device.outcome);
            EXPECT_EQ(test.keepsOld[place], keepsItsOldIdentifier(device));
            EXPECT_EQ(test.names[place], device.name.text());
            const size_t units = place < 2 ? 256 : 128;
            const std::wstring stored = fieldText(updated, offsets[place], units);
            if (device.outcome == DeviceOutcome::GIVEN_ENDPOINT_ID) {
                EXPECT_EQ(idOf(test.names[place]), device.endpointId.text());
                EXPECT_EQ(std::wstring(device.endpointId.text()), stored);
            } else {
                EXPECT_EQ(OLD_IDS[place], stored) << "an identifier not foretold was stored";
            }
            if (device.outcome == DeviceOutcome::FOUND_NOT_STORED) {
                EXPECT_EQ(idOf(test.names[place]), device.endpointId.text());
            }
        }
    }
}

TEST_F(DeviceForecastTest, AFileTheUpdateWouldNotReadIsForetoldSo) {
    const DatabaseForecast missing = forecastDeviceIdUpdate(folder.join(L"\\Nowhere.db64"));
    EXPECT_FALSE(missing.readable);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.join(L"\\Nowhere.db64").text()))
        << "the forecast made the file";

    ASSERT_TRUE(writeFileBytes(path, "VNC", 3));
    const DatabaseForecast tooShort = forecastDeviceIdUpdate(path);
    EXPECT_TRUE(tooShort.readable);
    EXPECT_EQ(WalkEnd::TOO_SHORT, tooShort.end);
    for (const DeviceForecast& device : tooShort.devices) {
        EXPECT_EQ(DeviceOutcome::NOT_VISITED, device.outcome);
        EXPECT_FALSE(keepsItsOldIdentifier(device));
    }
}
