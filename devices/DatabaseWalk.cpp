#include "DatabaseWalk.h"

#include "AudioEndpoints.h"

#include <cwchar>

using namespace ConfigurationDatabase;

namespace {

constexpr const wchar_t* PSEUDO_DEVICE_NAMES[] = {L"Tone Source", L"Capture Writer", L"Silent Sink"};

} // namespace

bool DatabaseReader::readHeader(HeaderDeviceBlock& header) {
    // getSize is 0 for files of 4 GiB and more, whose positions KFile cannot express.
    fileSize = file.getSize();
    char signature[SIGNATURE_SIZE];
    return fileSize >= FIRST_ENTRY_OFFSET && file.seekToStart() &&
           readExactly(signature, sizeof(signature)) && readExactly(&header, sizeof(header));
}

WalkEnd DatabaseReader::findDevicePair() {
    LONG entryCount = 0;
    if (!skip(HEADER_GAP_SIZE) || !readExactly(&entryCount, sizeof(entryCount)) || !skipEntries(entryCount)) {
        return WalkEnd::ENTRIES_CUT;
    }
    LONG recordCount = 0;
    if (!skip(RECORD_LIST_GAP_SIZE) || !readExactly(&recordCount, sizeof(recordCount))) {
        return WalkEnd::NO_RECORD_COUNT;
    }
    for (LONG index = 0; index < recordCount; ++index) {
        TypedRecordHeader record;
        if (!readExactly(&record, sizeof(record))) {
            return WalkEnd::RECORDS_CUT;
        }
        // A body shorter than the layout would be read and written past its end: skipped. Only the
        // layout is read, so a record whose size claims more than the file holds is still found.
        if (InlineIsEqualGUID(record.recordType, DevicePairRecordType) &&
            record.recordSize >= static_cast<LONG>(sizeof(DevicePairRecord))) {
            return WalkEnd::COMPLETE;
        }
        if (!skip(record.recordSize)) {
            return WalkEnd::RECORDS_CUT;
        }
    }
    return WalkEnd::NO_DEVICE_PAIR;
}

bool DatabaseReader::readDevicePair(DWORD& bodyPosition, DevicePairRecord& record) {
    bodyPosition = file.getPosition();
    return bodyPosition != INVALID_SET_FILE_POINTER && readExactly(&record, sizeof(record));
}

// Never past the size the file had when the walk began: a file that grows meanwhile does not keep it going.
bool DatabaseReader::readExactly(void* buffer, DWORD byteCount) {
    return byteCount <= remaining() && file.read(buffer, byteCount) == byteCount;
}

bool DatabaseReader::skip(int64_t distance) {
    if (distance < 0 || distance > remaining()) {
        return false;
    }
    // One move reaches at most MAXLONG bytes; a 4-byte-item payload can be longer.
    while (distance > 0) {
        const LONG step = static_cast<LONG>(distance < MAXLONG ? distance : MAXLONG);
        if (!file.seek(step, FILE_CURRENT)) {
            return false;
        }
        distance -= step;
    }
    return true;
}

int64_t DatabaseReader::remaining() {
    const DWORD position = file.getPosition();
    if (position == INVALID_SET_FILE_POINTER || position > fileSize) {
        return 0;
    }
    return static_cast<int64_t>(fileSize) - position;
}

bool DatabaseReader::skipEntries(LONG entryCount) {
    BYTE body[ENTRY_BODY_SIZE];
    for (LONG index = 0; index < entryCount; ++index) {
        PayloadDescriptor descriptor;
        if (!readExactly(body, sizeof(body)) || !skip(ENTRY_GAP_SIZE) ||
            !readExactly(&descriptor, sizeof(descriptor))) {
            return false;
        }
        const int64_t payloadSize =
            descriptor.payloadIsBytes != 0
                ? static_cast<int64_t>(descriptor.payloadByteSize)
                : static_cast<int64_t>(descriptor.payloadItemCount) * PAYLOAD_ITEM_SIZE;
        if (!skip(payloadSize)) {
            return false;
        }
    }
    return true;
}

DeviceDecision decideDevice(const wchar_t* name, wchar_t* idField, size_t idUnits, KString& endpointId) {
    if (isPseudoDevice(name)) {
        return DeviceDecision::PSEUDO_DEVICE;
    }
    endpointId = findEndpointIdByName(name);
    if (endpointId.isEmpty()) {
        return DeviceDecision::NO_ENDPOINT;
    }
    return storeDeviceId(endpointId, idField, idUnits) ? DeviceDecision::GIVEN_ENDPOINT_ID
                                                       : DeviceDecision::ID_TOO_LONG;
}

bool isPseudoDevice(const wchar_t* name) {
    for (const wchar_t* pseudoName : PSEUDO_DEVICE_NAMES) {
        if (std::wcscmp(name, pseudoName) == 0) {
            return true;
        }
    }
    return false;
}
