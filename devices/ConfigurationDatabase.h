#pragma once

#include "foundation/KString.h"

#include <windows.h>

#include <cstddef>

// The on-disk layout of the product's configuration database ("Profiles.db64", "Profiles.db"): the
// fields that the device identifier update reads or writes, and the helpers that read and store its
// text fields. Integers are 32-bit little-endian and signed; text is UTF-16LE in fixed-width fields.
namespace ConfigurationDatabase {

constexpr DWORD SIGNATURE_SIZE = 3;
constexpr char SIGNATURE[SIGNATURE_SIZE] = {'V', 'N', 'C'};

constexpr size_t HEADER_ID_UNITS = 256;
constexpr size_t RECORD_ID_UNITS = 128;
constexpr size_t NAME_UNITS = 128;

// Follows the signature; read and written back whole.
struct HeaderDeviceBlock {
    wchar_t firstDeviceId[HEADER_ID_UNITS];
    wchar_t secondDeviceId[HEADER_ID_UNITS];
    wchar_t firstDeviceName[NAME_UNITS];
    wchar_t secondDeviceName[NAME_UNITS];
    BYTE reserved[44];
};
static_assert(sizeof(HeaderDeviceBlock) == 1580, "the header block is 1580 bytes on disk");
static_assert(offsetof(HeaderDeviceBlock, secondDeviceId) == 512);
static_assert(offsetof(HeaderDeviceBlock, firstDeviceName) == 1024);
static_assert(offsetof(HeaderDeviceBlock, secondDeviceName) == 1280);

constexpr DWORD HEADER_BLOCK_OFFSET = SIGNATURE_SIZE;
constexpr LONG HEADER_GAP_SIZE = 7;
constexpr DWORD ENTRY_COUNT_OFFSET = HEADER_BLOCK_OFFSET + sizeof(HeaderDeviceBlock) + HEADER_GAP_SIZE;
constexpr DWORD FIRST_ENTRY_OFFSET = ENTRY_COUNT_OFFSET + sizeof(LONG);
static_assert(ENTRY_COUNT_OFFSET == 1590 && FIRST_ENTRY_OFFSET == 1594);

// A BlobEntry is a body, a gap, this descriptor and then the payload it measures.
constexpr DWORD ENTRY_BODY_SIZE = 1292;
constexpr LONG ENTRY_GAP_SIZE = 3;

struct PayloadDescriptor {
    BYTE reserved[12];
    BYTE payloadIsBytes;
    BYTE reserved2[3];
    LONG payloadByteSize;
    LONG payloadItemCount;
};
static_assert(sizeof(PayloadDescriptor) == 24);
static_assert(offsetof(PayloadDescriptor, payloadIsBytes) == 12);
static_assert(offsetof(PayloadDescriptor, payloadByteSize) == 16);
static_assert(offsetof(PayloadDescriptor, payloadItemCount) == 20);

constexpr LONG PAYLOAD_ITEM_SIZE = 4;

// Between the last entry and recordCount.
constexpr LONG RECORD_LIST_GAP_SIZE = 24;

struct TypedRecordHeader {
    GUID recordType;
    BYTE reserved[4];
    LONG recordSize; // length of the body that follows
};
static_assert(sizeof(TypedRecordHeader) == 24);
static_assert(offsetof(TypedRecordHeader, recordSize) == 20);

// {DBF8DCBA-CB17-42A1-8192-E501E5942265}; compared in its stored form, all 16 bytes.
constexpr GUID DevicePairRecordType = {
    0xDBF8DCBA, 0xCB17, 0x42A1, {0x81, 0x92, 0xE5, 0x01, 0xE5, 0x94, 0x22, 0x65}};

struct DevicePairRecord {
    BYTE reserved[10];
    wchar_t firstDeviceId[RECORD_ID_UNITS];
    wchar_t firstDeviceName[NAME_UNITS];
    wchar_t secondDeviceId[RECORD_ID_UNITS];
    wchar_t secondDeviceName[NAME_UNITS];
    BYTE reserved2[2];
};
static_assert(sizeof(DevicePairRecord) == 1036, "the device-pair body is 1036 bytes on disk");
static_assert(offsetof(DevicePairRecord, firstDeviceId) == 10);
static_assert(offsetof(DevicePairRecord, firstDeviceName) == 266);
static_assert(offsetof(DevicePairRecord, secondDeviceId) == 522);
static_assert(offsetof(DevicePairRecord, secondDeviceName) == 778);

// A name field's text, ending at its terminator or, when the field holds none, with the field.
struct DeviceName {
    wchar_t text[NAME_UNITS + 1];
};
DeviceName readDeviceName(const wchar_t (&field)[NAME_UNITS]);

// Copies the identifier and its terminator to the start of the field and keeps the field's later
// bytes. An empty identifier, or one that does not fit with its terminator, is not stored: false.
bool storeDeviceId(const KString& id, wchar_t* field, size_t fieldUnits);

} // namespace ConfigurationDatabase
