#pragma once

#include "ConfigurationDatabase.h"
#include "foundation/KFile.h"
#include "foundation/KString.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The one reading of a configuration database's layout and the one decision for each stored device:
// the walk that the device identifier update makes, and that the pre-flight check follows without
// writing. The caller opens the file.

// In the order the walk reaches them.
enum class StoredDevice { HEADER_FIRST, HEADER_SECOND, RECORD_FIRST, RECORD_SECOND };

enum class DeviceDecision {
    PSEUDO_DEVICE,     // one of the product's built-in devices: never looked up
    GIVEN_ENDPOINT_ID, // the identifier field now holds this machine's endpoint identifier
    NO_ENDPOINT,       // no active endpoint has the name: the rewrite stops here
    ID_TOO_LONG,       // the endpoint identifier does not fit the field: the rewrite stops here
    NOT_REACHED,       // the rewrite stopped at an earlier device: not looked up
};

// Where the walk over the layout ended.
enum class WalkEnd {
    TOO_SHORT,          // shorter than its header, or unreadable: nothing visited
    STOPPED_AT_DEVICE,  // a device stopped the rewrite and the visitor read no further
    HEADER_NOT_WRITTEN, // the visitor could not store the header
    ENTRIES_CUT,        // the entry list ends before its count or runs past the file
    NO_RECORD_COUNT,    // the file ends before the record count
    RECORDS_CUT,        // the record list runs past the file before a device-pair record
    NO_DEVICE_PAIR,     // the record list holds no device-pair record of full size
    DEVICE_PAIR_CUT,    // the device-pair record's layout runs past the file
    COMPLETE,           // the first device-pair record was visited
};

// Reads the layout front to back. The file may be shared for writing and its counts come from
// whoever prepared it, so every move is checked against the bytes that are left: a walk that would go
// backwards or past the end stops instead of looping over a file that has ended.
class DatabaseReader {
public:
    explicit DatabaseReader(KFile& file) : file(file) {}
    DatabaseReader(const DatabaseReader&) = delete;
    DatabaseReader& operator=(const DatabaseReader&) = delete;

    // The signature and the header block, from the start; false for a file shorter than its header.
    bool readHeader(ConfigurationDatabase::HeaderDeviceBlock& header);
    // From the end of the header block to the body of the first device-pair record whose size covers
    // the device-pair layout (COMPLETE), or to where the sections end.
    WalkEnd findDevicePair();
    // The device-pair layout at the file pointer, and the position of the body.
    bool readDevicePair(DWORD& bodyPosition, ConfigurationDatabase::DevicePairRecord& record);

private:
    bool readExactly(void* buffer, DWORD byteCount);
    bool skip(int64_t distance);
    int64_t remaining();
    bool skipEntries(LONG entryCount);

    KFile& file;
    DWORD fileSize = 0;
};

// PSEUDO_DEVICE for a built-in device; otherwise looks the name up and stores the identifier in the
// field.
DeviceDecision decideDevice(const wchar_t* name, wchar_t* idField, size_t idUnits, KString& endpointId);

// True for the product's built-in devices, which are never looked up: "Tone Source",
// "Capture Writer" and "Silent Sink", exactly, letter case included.
bool isPseudoDevice(const wchar_t* name);

// Walks the open file from its start and tells the visitor what it decides. The visitor has:
//   bool deviceDecided(StoredDevice, const wchar_t* name, DeviceDecision, const KString& endpointId)
//     for each device the walk reaches; endpointId is empty unless one was found. After a NO_ENDPOINT
//     or ID_TOO_LONG decision nothing more is stored; true lets the walk read on through the layout,
//     deciding the devices that follow NOT_REACHED.
//   bool headerDecided(const HeaderDeviceBlock&): the header with both devices updated or kept;
//     false ends the walk. The file pointer must be left after the header block.
//   void devicePairDecided(DWORD bodyPosition, const DevicePairRecord&): the first device-pair
//     record with both devices updated or kept, and the file position of its body.
// A template, so that the installer's rewrite costs no more than a walk of its own.
template <typename Visitor> WalkEnd walkDatabase(KFile& file, Visitor& visitor) {
    using namespace ConfigurationDatabase;
    bool stopped = false;
    // False when the walk ends at this device.
    const auto decide = [&](StoredDevice device, const wchar_t(&nameField)[NAME_UNITS], wchar_t* idField,
                            size_t idUnits) {
        const DeviceName name = readDeviceName(nameField);
        KString endpointId;
        const DeviceDecision decision =
            stopped ? DeviceDecision::NOT_REACHED : decideDevice(name.text, idField, idUnits, endpointId);
        stopped = decision != DeviceDecision::PSEUDO_DEVICE && decision != DeviceDecision::GIVEN_ENDPOINT_ID;
        return visitor.deviceDecided(device, name.text, decision, endpointId) || !stopped;
    };

    DatabaseReader reader(file);
    HeaderDeviceBlock header;
    if (!reader.readHeader(header)) {
        return WalkEnd::TOO_SHORT;
    }
    if (!decide(StoredDevice::HEADER_FIRST, header.firstDeviceName, header.firstDeviceId, HEADER_ID_UNITS) ||
        !decide(StoredDevice::HEADER_SECOND, header.secondDeviceName, header.secondDeviceId,
                HEADER_ID_UNITS)) {
        return WalkEnd::STOPPED_AT_DEVICE;
    }
    if (!stopped && !visitor.headerDecided(header)) {
        return WalkEnd::HEADER_NOT_WRITTEN;
    }
    const WalkEnd search = reader.findDevicePair();
    if (search != WalkEnd::COMPLETE) {
        return search;
    }
    DWORD bodyPosition = 0;
    DevicePairRecord record;
    if (!reader.readDevicePair(bodyPosition, record)) {
        return WalkEnd::DEVICE_PAIR_CUT;
    }
    if (!decide(StoredDevice::RECORD_FIRST, record.firstDeviceName, record.firstDeviceId, RECORD_ID_UNITS) ||
        !decide(StoredDevice::RECORD_SECOND, record.secondDeviceName, record.secondDeviceId,
                RECORD_ID_UNITS)) {
        return WalkEnd::STOPPED_AT_DEVICE;
    }
    if (!stopped) {
        visitor.devicePairDecided(bodyPosition, record);
    }
    return WalkEnd::COMPLETE;
}
