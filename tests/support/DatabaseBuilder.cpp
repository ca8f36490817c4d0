#include "DatabaseBuilder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr GUID DEVICE_PAIR_TYPE = {
    0xDBF8DCBA, 0xCB17, 0x42A1, {0x81, 0x92, 0xE5, 0x01, 0xE5, 0x94, 0x22, 0x65}};
// Differs from the device-pair type in its last byte only, so a partial comparison would match it.
constexpr GUID OTHER_TYPE = {0xDBF8DCBA, 0xCB17, 0x42A1, {0x81, 0x92, 0xE5, 0x01, 0xE5, 0x94, 0x22, 0x66}};

// Non-zero filler that differs from byte to byte.
char fillerByte(size_t offset) {
    return static_cast<char>(offset * 131 % 251 + 1);
}

class Writer {
public:
    size_t position() const { return bytes.size(); }

    void filler(size_t count) {
        for (size_t index = 0; index < count; ++index) {
            bytes.push_back(fillerByte(bytes.size()));
        }
    }

    void raw(const void* data, size_t count) { bytes.append(static_cast<const char*>(data), count); }

    void int32(int32_t value) { raw(&value, sizeof(value)); }

    void text(const std::wstring& value, size_t fieldBytes) {
        const size_t units = fieldBytes / sizeof(wchar_t);
        EXPECT_LE(value.size(), units) << "a text longer than its field";
        const size_t start = position();
        raw(value.data(), value.size() * sizeof(wchar_t));
        if (value.size() < units) {
            raw(L"", sizeof(wchar_t));
        }
        filler(fieldBytes - (position() - start));
    }

    std::string bytes;
};

} // namespace

TypedRecordDescription devicePairRecord(const DevicePairDescription& devices, int32_t recordSize) {
    return {DEVICE_PAIR_TYPE, recordSize, true, devices};
}

TypedRecordDescription otherRecord(int32_t recordSize) {
    return {OTHER_TYPE, recordSize, false, {}};
}

DatabaseFile buildDatabase(const DatabaseDescription& description) {
    DatabaseFile file;
    Writer out;
    EXPECT_EQ(3u, description.signature.size());
    out.raw(description.signature.data(), 3);
    out.text(description.firstDeviceId, 512);
    out.text(description.secondDeviceId, 512);
    out.text(description.firstDeviceName, 256);
    out.text(description.secondDeviceName, 256);
    out.filler(44 + 7);

    file.entryCountOffset = out.position();
    out.int32(description.overrideEntryCount ? description.entryCount
                                             : static_cast<int32_t>(description.entries.size()));
    for (const BlobEntryDescription& entry : description.entries) {
        out.filler(1292 + 3);
        file.payloadDescriptorOffsets.push_back(out.position());
        out.filler(12);
        // The size that is not in use holds a value that would derail the walk if it were read.
        const char isBytes = entry.payloadIsBytes ? 7 : 0;
        out.raw(&isBytes, 1);
        out.filler(3);
        out.int32(entry.payloadIsBytes ? static_cast<int32_t>(entry.payloadLength) : INT32_MAX);
        out.int32(entry.payloadIsBytes ? -1 : static_cast<int32_t>(entry.payloadLength / 4));
        out.filler(entry.payloadLength);
    }

    out.filler(24);
    file.recordCountOffset = out.position();
    out.int32(description.overrideRecordCount ? description.recordCount
                                              : static_cast<int32_t>(description.records.size()));
    for (const TypedRecordDescription& record : description.records) {
        file.recordOffsets.push_back(out.position());
        out.raw(&record.recordType, sizeof(GUID));
        out.filler(4);
        out.int32(record.recordSize);
        file.bodyOffsets.push_back(out.position());
        const size_t bodyStart = out.position();
        EXPECT_GE(record.recordSize, 0) << "negative sizes are patched in, not built";
        const size_t bodySize = static_cast<size_t>(record.recordSize);
        if (record.isDevicePair) {
            // A body shorter than the layout holds as much of it as fits, names that resolve
            // included, so that reading it as a whole record would show.
            out.filler(10);
            out.text(record.devices.firstDeviceId, 256);
            out.text(record.devices.firstDeviceName, 256);
            out.text(record.devices.secondDeviceId, 256);
            out.text(record.devices.secondDeviceName, 256);
            out.filler(2);
            if (bodySize < 1036) {
                out.bytes.resize(bodyStart + bodySize);
            }
        }
        out.filler(bodyStart + bodySize - out.position());
    }
    out.filler(description.trailingBytes);
    file.bytes = out.bytes;
    return file;
}

void putText(std::string& bytes, size_t offset, const std::wstring& text) {
    std::memcpy(&bytes[offset], text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void putInt32(std::string& bytes, size_t offset, int32_t value) {
    std::memcpy(&bytes[offset], &value, sizeof(value));
}

void putSignature(std::string& bytes) {
    std::memcpy(&bytes[0], "VNC", 3);
}

std::wstring fieldText(const std::string& bytes, size_t offset, size_t units) {
    std::wstring text;
    for (size_t unit = 0; unit < units && offset + 2 * unit + 1 < bytes.size(); ++unit) {
        const wchar_t value =
            static_cast<wchar_t>(static_cast<unsigned char>(bytes[offset + 2 * unit]) |
                                 static_cast<unsigned char>(bytes[offset + 2 * unit + 1]) << 8);
        if (value == L'\0') {
            break;
        }
        text += value;
    }
    return text;
}
