#include "DeviceForecast.h"

#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"

#include <cstring>

using namespace ConfigurationDatabase;

namespace {

DeviceOutcome outcomeOf(DeviceDecision decision) {
    switch (decision) {
    case DeviceDecision::PSEUDO_DEVICE:
        return DeviceOutcome::PSEUDO_DEVICE;
    case DeviceDecision::GIVEN_ENDPOINT_ID:
        return DeviceOutcome::GIVEN_ENDPOINT_ID;
    case DeviceDecision::NO_ENDPOINT:
        return DeviceOutcome::NO_ENDPOINT;
    case DeviceDecision::ID_TOO_LONG:
        return DeviceOutcome::ID_TOO_LONG;
    case DeviceDecision::NOT_REACHED:
        break;
    }
    return DeviceOutcome::NOT_REACHED;
}

// Follows the rewrite's walk to the end of the layout and notes each decision. The rewrite stores a
// header or a record exactly when the walk hands it over; a device given an identifier in a block
// that is not handed over keeps its old one.
class ForecastVisitor {
public:
    explicit ForecastVisitor(DatabaseForecast& forecast) : forecast(forecast) {}

    bool deviceDecided(StoredDevice device, const wchar_t* name, DeviceDecision decision,
                       const KString& endpointId) {
        DeviceForecast& noted = forecast.devices[static_cast<int>(device)];
        noted.outcome = outcomeOf(decision);
        noted.name = KString(name, KString::COPY_TEXT);
        noted.endpointId = endpointId;
        return true;
    }

    bool headerDecided(const HeaderDeviceBlock&) {
        headerStored = true;
        return true;
    }

    void devicePairDecided(DWORD, const DevicePairRecord&) { recordStored = true; }

    void keepOldIdentifiersOfBlocksNotStored() {
        keepOldIdentifierUnlessStored(StoredDevice::HEADER_FIRST, headerStored);
        keepOldIdentifierUnlessStored(StoredDevice::HEADER_SECOND, headerStored);
        keepOldIdentifierUnlessStored(StoredDevice::RECORD_FIRST, recordStored);
        keepOldIdentifierUnlessStored(StoredDevice::RECORD_SECOND, recordStored);
    }

private:
    void keepOldIdentifierUnlessStored(StoredDevice device, bool blockStored) {
        DeviceOutcome& outcome = forecast.devices[static_cast<int>(device)].outcome;
        if (outcome == DeviceOutcome::GIVEN_ENDPOINT_ID && !blockStored) {
            outcome = DeviceOutcome::FOUND_NOT_STORED;
        }
    }

    DatabaseForecast& forecast;
    bool headerStored = false;
    bool recordStored = false;
};

// Stores what the rewrite would store, into a copy of the file's bytes: the walk ends where the
// rewrite's would.
class ContentVisitor {
public:
    explicit ContentVisitor(BYTE* content) : content(content) {}

    bool deviceDecided(StoredDevice, const wchar_t*, DeviceDecision, const KString&) { return false; }

    bool headerDecided(const HeaderDeviceBlock& header) {
        std::memcpy(content, SIGNATURE, sizeof(SIGNATURE));
        std::memcpy(content + sizeof(SIGNATURE), &header, sizeof(header));
        return true;
    }

    // The walk found the record's layout inside the file, so it lies inside the copy too.
    void devicePairDecided(DWORD bodyPosition, const DevicePairRecord& record) {
        std::memcpy(content + bodyPosition, &record, sizeof(record));
    }

private:
    BYTE* const content;
};

UniqueFileHandle openShared(const KString& path) {
    return UniqueFileHandle(CreateFileW(path.text(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

UniqueMemory<BYTE> forecastUpdatedContent(const KString& path, DWORD& size) {
    UniqueFileHandle handle = openShared(path);
    if (!handle) {
        return UniqueMemory<BYTE>();
    }
    KFile file;
    file.attach(path, handle.release(), GENERIC_READ, true);
    size = file.getSize();
    UniqueMemory<BYTE> content(static_cast<BYTE*>(file.readAll()));
    if (content) {
        ContentVisitor visitor(content.get());
        walkDatabase(file, visitor);
    }
    return content;
}

DatabaseForecast forecastDeviceIdUpdate(const KString& path) {
    DatabaseForecast forecast;
    UniqueFileHandle handle = openShared(path);
    if (!handle) {
        return forecast;
    }
    forecast.readable = true;
    KFile file;
    file.attach(path, handle.release(), GENERIC_READ, true);
    ForecastVisitor visitor(forecast);
    forecast.end = walkDatabase(file, visitor);
    visitor.keepOldIdentifiersOfBlocksNotStored();
    return forecast;
}

bool keepsItsOldIdentifier(const DeviceForecast& device) {
    return device.outcome != DeviceOutcome::NOT_VISITED &&
           device.outcome != DeviceOutcome::GIVEN_ENDPOINT_ID && !isPseudoDevice(device.name.text());
}
