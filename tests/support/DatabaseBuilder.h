#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Builds configuration databases byte by byte from a readable description, so that tests state
// the file they start from and the file that must come out. Every byte that the description does
// not name is filled with a non-zero pattern, so that a byte moved, lost or zeroed shows.

// A text field: the text, its terminator and then filler to the end of the field. A text as long
// as its field is stored without a terminator.
struct DevicePairDescription {
    std::wstring firstDeviceId;
    std::wstring firstDeviceName;
    std::wstring secondDeviceId;
    std::wstring secondDeviceName;
};

struct BlobEntryDescription {
    bool payloadIsBytes;
    uint32_t payloadLength; // in bytes; stored as a byte size or as a count of 4-byte items
};

struct TypedRecordDescription {
    GUID recordType;
    int32_t recordSize; // also the number of body bytes written
    bool isDevicePair;  // lays out the first 1036 body bytes from devices
    DevicePairDescription devices;
};

TypedRecordDescription devicePairRecord(const DevicePairDescription& devices, int32_t recordSize = 1036);
TypedRecordDescription otherRecord(int32_t recordSize);

struct DatabaseDescription {
    std::string signature = "XYZ";
    std::wstring firstDeviceId;
    std::wstring secondDeviceId;
    std::wstring firstDeviceName;
    std::wstring secondDeviceName;
    std::vector<BlobEntryDescription> entries;
    std::vector<TypedRecordDescription> records;
    size_t trailingBytes = 0;
    // The stored counts, when they are to differ from the number of items described.
    bool overrideEntryCount = false;
    int32_t entryCount = 0;
    bool overrideRecordCount = false;
    int32_t recordCount = 0;
};

// Where the built file keeps what tests patch or check.
struct DatabaseFile {
    std::string bytes;
    size_t entryCountOffset;
    size_t recordCountOffset;
    std::vector<size_t> payloadDescriptorOffsets;
    std::vector<size_t> recordOffsets; // each record's recordType; its recordSize is 20 bytes on
    std::vector<size_t> bodyOffsets;   // each record's body
};

DatabaseFile buildDatabase(const DatabaseDescription& description);

// File offsets of the header fields, and body offsets of the device-pair record fields.
namespace DatabaseOffsets {
constexpr size_t HEADER_FIRST_ID = 3;
constexpr size_t HEADER_SECOND_ID = 515;
constexpr size_t HEADER_FIRST_NAME = 1027;
constexpr size_t HEADER_SECOND_NAME = 1283;
constexpr size_t HEADER_SIZE = 1594;
constexpr size_t RECORD_FIRST_ID = 10;
constexpr size_t RECORD_FIRST_NAME = 266;
constexpr size_t RECORD_SECOND_ID = 522;
constexpr size_t RECORD_SECOND_NAME = 778;
constexpr size_t DEVICE_PAIR_SIZE = 1036;
constexpr size_t RECORD_SIZE_FIELD = 20; // within a record, from its recordType
constexpr size_t PAYLOAD_IS_BYTES = 12;  // within a payload descriptor
constexpr size_t PAYLOAD_BYTE_SIZE = 16;
constexpr size_t PAYLOAD_ITEM_COUNT = 20;
} // namespace DatabaseOffsets

// Patches for the bytes a test expects: the text and its terminator, leaving what follows.
void putText(std::string& bytes, size_t offset, const std::wstring& text);
void putInt32(std::string& bytes, size_t offset, int32_t value);
void putSignature(std::string& bytes); // "VNC"
// The UTF-16 text of a field of up to units units, up to its terminator or the end of the bytes.
std::wstring fieldText(const std::string& bytes, size_t offset, size_t units);
