#include "DeviceIdUpdate.h"

#include "AudioEndpoints.h"
#include "ConfigurationDatabase.h"
#include "foundation/KFile.h"
#include "foundation/UnredirectedOpen.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

using namespace ConfigurationDatabase;

namespace {

constexpr const wchar_t* PSEUDO_DEVICE_NAMES[] = {L"Tone Source", L"Capture Writer", L"Silent Sink"};

// Keeps the stored identifier of a pseudo-device; false when the device has no endpoint whose
// identifier fits the field, which ends the whole update.
bool updateDevice(const wchar_t (&nameField)[NAME_UNITS], wchar_t* idField, size_t idUnits) {
    const DeviceName name = readDeviceName(nameField);
    if (isPseudoDevice(name.text)) {
        return true;
    }
    return storeDeviceId(findEndpointIdByName(name.text), idField, idUnits);
}

// The file's walk over its sections. The file is shared for writing and its counts come from
// whoever prepared it, so every move is checked against the bytes that are left: a walk that would
// go backwards or past the end stops instead of looping over a file that has ended.
class SectionWalker {
public:
    SectionWalker(KFile& file, DWORD fileSize) : file(file), fileSize(fileSize) {}

    bool readExactly(void* buffer, DWORD byteCount) { return file.read(buffer, byteCount) == byteCount; }

    bool readCount(LONG& count) { return readExactly(&count, sizeof(count)); }

    bool skip(int64_t distance) {
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

    int64_t remaining() {
        const DWORD position = file.getPosition();
        if (position == INVALID_SET_FILE_POINTER || position > fileSize) {
            return 0;
        }
        return static_cast<int64_t>(fileSize) - position;
    }

private:
    KFile& file;
    const DWORD fileSize;
};

bool skipEntries(SectionWalker& walker, LONG entryCount) {
    BYTE body[ENTRY_BODY_SIZE];
    for (LONG index = 0; index < entryCount; ++index) {
        PayloadDescriptor descriptor;
        if (!walker.readExactly(body, sizeof(body)) || !walker.skip(ENTRY_GAP_SIZE) ||
            !walker.readExactly(&descriptor, sizeof(descriptor))) {
            return false;
        }
        const int64_t payloadSize =
            descriptor.payloadIsBytes != 0
                ? static_cast<int64_t>(descriptor.payloadByteSize)
                : static_cast<int64_t>(descriptor.payloadItemCount) * PAYLOAD_ITEM_SIZE;
        if (!walker.skip(payloadSize)) {
            return false;
        }
    }
    return true;
}

// Leaves the file pointer at the body of the first device-pair record whose size covers the whole
// device-pair layout; false when the list has none. Only that layout is read, so a record whose size
// claims more than the file holds is still found: the read of its layout decides.
bool findDevicePairRecord(SectionWalker& walker, LONG recordCount) {
    for (LONG index = 0; index < recordCount; ++index) {
        TypedRecordHeader record;
        if (!walker.readExactly(&record, sizeof(record))) {
            return false;
        }
        // A body shorter than the layout would be read and written past its end: skipped.
        if (std::memcmp(&record.recordType, &DevicePairRecordType, sizeof(GUID)) == 0 &&
            record.recordSize >= static_cast<LONG>(sizeof(DevicePairRecord))) {
            return true;
        }
        if (!walker.skip(record.recordSize)) {
            return false;
        }
    }
    return false;
}

void updateDevicePairRecord(KFile& file, SectionWalker& walker) {
    const DWORD bodyPosition = file.getPosition();
    DevicePairRecord record;
    if (bodyPosition == INVALID_SET_FILE_POINTER || !walker.readExactly(&record, sizeof(record))) {
        return;
    }
    if (!updateDevice(record.firstDeviceName, record.firstDeviceId, RECORD_ID_UNITS) ||
        !updateDevice(record.secondDeviceName, record.secondDeviceId, RECORD_ID_UNITS)) {
        return;
    }
    // Positions past MAXLONG cannot be reached from the start; writing elsewhere would corrupt.
    if (bodyPosition > MAXLONG || !file.seek(static_cast<LONG>(bodyPosition), FILE_BEGIN)) {
        return;
    }
    file.write(&record, sizeof(record));
}

// The file is opened as it is, never created (the product would read an empty configuration), and
// only when it is a plain file where its name says: the folder is the desktop user's, who may have
// made it or the file a link to what only administrators may write.
bool openDatabase(KFile& file, const KString& path) {
    constexpr DWORD DATABASE_ACCESS = GENERIC_READ | GENERIC_WRITE;
    UniqueFileHandle database = openUnredirectedFile(path, DATABASE_ACCESS);
    if (!database) {
        return false;
    }
    file.attach(path, database.release(), DATABASE_ACCESS, true);
    return true;
}

} // namespace

bool isPseudoDevice(const wchar_t* name) {
    for (const wchar_t* pseudoName : PSEUDO_DEVICE_NAMES) {
        if (std::wcscmp(name, pseudoName) == 0) {
            return true;
        }
    }
    return false;
}

void updateDeviceIds(const KString& path) {
    KFile file;
    if (!openDatabase(file, path)) {
        return;
    }
    // A file too short for its header is not a database: nothing is written to it. getSize is 0 for
    // files of 4 GiB and more, whose positions KFile cannot express.
    const DWORD fileSize = file.getSize();
    if (fileSize < FIRST_ENTRY_OFFSET || !file.seekToStart()) {
        return;
    }
    SectionWalker walker(file, fileSize);
    char signature[SIGNATURE_SIZE];
    HeaderDeviceBlock header;
    if (!walker.readExactly(signature, sizeof(signature)) || !walker.readExactly(&header, sizeof(header))) {
        return;
    }
    if (!updateDevice(header.firstDeviceName, header.firstDeviceId, HEADER_ID_UNITS) ||
        !updateDevice(header.secondDeviceName, header.secondDeviceId, HEADER_ID_UNITS)) {
        return;
    }
    if (!file.seekToStart() || file.write(SIGNATURE, sizeof(SIGNATURE)) != sizeof(SIGNATURE) ||
        file.write(&header, sizeof(header)) != sizeof(header)) {
        return;
    }
    LONG entryCount = 0;
    if (!walker.skip(HEADER_GAP_SIZE) || !walker.readCount(entryCount) || !skipEntries(walker, entryCount)) {
        return;
    }
    LONG recordCount = 0;
    if (!walker.skip(RECORD_LIST_GAP_SIZE) || !walker.readCount(recordCount) ||
        !findDevicePairRecord(walker, recordCount)) {
        return;
    }
    updateDevicePairRecord(file, walker);
}
