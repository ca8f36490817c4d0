#include "DeviceTestFixture.h"
#include "devices/DeviceIdUpdate.h"
#include "support/DatabaseBuilder.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>

using namespace DatabaseOffsets;

namespace {

constexpr unsigned SEED = 20240604;
// Each walk and kind of change is met hundreds of times; more runs lengthen the suite (each rewrite
// enumerates the endpoints, slowly in a 32-bit process), not what is covered.
constexpr int MUTATIONS = 3000;
constexpr unsigned char DEVICE_PAIR_TYPE_BYTES[16] = {0xBA, 0xDC, 0xF8, 0xDB, 0x17, 0xCB, 0xA1, 0x42,
                                                      0x81, 0x92, 0xE5, 0x01, 0xE5, 0x94, 0x22, 0x65};

// Small valid databases whose walks differ: both payload kinds, and device-pair records before,
// between and after records of other types. Most names are pseudo-devices, so that the many runs
// reach the record writes with few lookups; the mutations move names that resolve into the fields.
std::vector<DatabaseFile> validDatabases() {
    const std::wstring oldId = L"{0.0.0.00000000}.{5b2e7d90-0c4f-4a6b-8e21-another-machine-endpoint}";
    std::vector<DatabaseFile> files;

    DatabaseDescription first;
    first.firstDeviceId = oldId;
    first.secondDeviceId = oldId;
    first.firstDeviceName = L"Tone Source";
    first.secondDeviceName = L"Silent Sink";
    first.entries = {{true, 8}, {false, 8}};
    first.records = {otherRecord(4), devicePairRecord({oldId, L"Capture Writer", oldId, L"Line 1"}),
                     devicePairRecord({oldId, L"Headphones", oldId, L"HEADPHONES"})};
    first.trailingBytes = 5;
    files.push_back(buildDatabase(first));

    DatabaseDescription second;
    second.firstDeviceId = oldId;
    second.secondDeviceId = oldId;
    second.firstDeviceName = L"Capture Writer";
    second.secondDeviceName = L"Speakers (Studio USB)";
    second.entries = {{false, 4}};
    second.records = {otherRecord(0), devicePairRecord({oldId, L"Silent Sink", oldId, L"Tone Source"}, 1040),
                      otherRecord(2)};
    files.push_back(buildDatabase(second));

    DatabaseDescription third;
    third.firstDeviceId = oldId;
    third.secondDeviceId = oldId;
    third.firstDeviceName = L"Tone Source";
    third.secondDeviceName = L"Silent Sink";
    third.records = {devicePairRecord({oldId, L"Tone Source", oldId, L"Capture Writer"})};
    files.push_back(buildDatabase(third));
    return files;
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : random(seed) {}

    std::string mutate(const DatabaseFile& file) {
        std::string bytes = file.bytes;
        const int changes = 1 + pick(3);
        for (int change = 0; change < changes; ++change) {
            switch (pick(5)) {
            case 0:
                bytes[pick(bytes.size())] = static_cast<char>(pick(256));
                break;
            case 1:
                bytes[pick(bytes.size())] ^= static_cast<char>(1 << pick(8));
                break;
            case 2: {
                const size_t offset = countOffset(file);
                if (offset + 4 <= bytes.size()) {
                    putInt32(bytes, offset, extremeValue(bytes.size()));
                }
                break;
            }
            case 3:
                fillName(bytes, file);
                break;
            default:
                bytes.resize(pick(bytes.size() + 1));
                break;
            }
            if (bytes.size() < 4) {
                break;
            }
        }
        return bytes;
    }

private:
    size_t pick(size_t bound) { return std::uniform_int_distribution<size_t>(0, bound - 1)(random); }

    // One of the fields that steer the walk.
    size_t countOffset(const DatabaseFile& file) {
        std::vector<size_t> offsets = {file.entryCountOffset, file.recordCountOffset};
        for (const size_t descriptor : file.payloadDescriptorOffsets) {
            offsets.insert(offsets.end(), {descriptor + PAYLOAD_IS_BYTES, descriptor + PAYLOAD_BYTE_SIZE,
                                           descriptor + PAYLOAD_ITEM_COUNT});
        }
        for (const size_t record : file.recordOffsets) {
            offsets.push_back(record + RECORD_SIZE_FIELD);
        }
        return offsets[pick(offsets.size())];
    }

    int32_t extremeValue(size_t fileSize) {
        const int32_t values[] = {0,
                                  1,
                                  -1,
                                  2,
                                  INT_MIN,
                                  INT_MAX,
                                  INT_MAX / 4 + 1,
                                  1035,
                                  1036,
                                  1037,
                                  static_cast<int32_t>(fileSize),
                                  static_cast<int32_t>(fileSize) - 1600,
                                  static_cast<int32_t>(pick(64)) - 32};
        return values[pick(sizeof(values) / sizeof(values[0]))];
    }

    // A name field without a terminator, or with one of the names that resolve moved into it.
    void fillName(std::string& bytes, const DatabaseFile& file) {
        std::vector<size_t> offsets = {HEADER_FIRST_NAME, HEADER_SECOND_NAME};
        for (const size_t body : file.bodyOffsets) {
            offsets.insert(offsets.end(), {body + RECORD_FIRST_NAME, body + RECORD_SECOND_NAME});
        }
        const size_t offset = offsets[pick(offsets.size())];
        if (offset + 256 > bytes.size()) {
            return;
        }
        if (pick(2) == 0) {
            for (size_t index = 0; index < 256; ++index) {
                bytes[offset + index] = static_cast<char>(1 + pick(255));
            }
        } else {
            const wchar_t* const names[] = {L"Line 1", L"Headphones", L"Tone Source",
                                            L"Microphone (Studio USB)"};
            putText(bytes, offset, names[pick(4)]);
        }
    }

    std::mt19937 random;
};

bool holdsDevicePairType(const std::string& bytes, size_t offset) {
    return std::memcmp(&bytes[offset], DEVICE_PAIR_TYPE_BYTES, sizeof(DEVICE_PAIR_TYPE_BYTES)) == 0;
}

int32_t int32At(const std::string& bytes, size_t offset) {
    int32_t value;
    std::memcpy(&value, &bytes[offset], sizeof(value));
    return value;
}

bool inField(size_t offset, size_t fieldStart, size_t fieldBytes) {
    return offset >= fieldStart && offset < fieldStart + fieldBytes;
}

} // namespace

class DeviceIdUpdateRandomizedTest : public DeviceTestFixture {
protected:
    bool isEndpointId(const std::wstring& id) const {
        return std::any_of(endpoints.begin(), endpoints.end(), [&](const Endpoint& e) { return e.id == id; });
    }

    // Every change lies in the signature, in a header identifier field or in an identifier field
    // of one device-pair record that holds the whole layout, and holds an identifier of this machine.
    ::testing::AssertionResult changedOnlyWhereAllowed(const std::string& before, const std::string& after) {
        if (before.size() != after.size()) {
            return ::testing::AssertionFailure()
                   << "size changed from " << before.size() << " to " << after.size();
        }
        size_t recordBody = 0;
        for (size_t offset = 0; offset < before.size(); ++offset) {
            if (before[offset] == after[offset]) {
                continue;
            }
            if (after.compare(0, 3, "VNC") != 0) {
                return ::testing::AssertionFailure()
                       << "offset " << offset << " changed without the header write";
            }
            if (offset < 3) {
                continue;
            }
            if (inField(offset, HEADER_FIRST_ID, 512) || inField(offset, HEADER_SECOND_ID, 512)) {
                const size_t field = offset < HEADER_SECOND_ID ? HEADER_FIRST_ID : HEADER_SECOND_ID;
                if (!isEndpointId(fieldText(after, field, 256))) {
                    return ::testing::AssertionFailure()
                           << "header field at " << field << " holds no endpoint id";
                }
                continue;
            }
            if (recordBody == 0) {
                recordBody = devicePairBodyAround(before, offset);
                if (recordBody == 0) {
                    return ::testing::AssertionFailure()
                           << "offset " << offset << " changed outside any record";
                }
            }
            const bool inFirstId = inField(offset, recordBody + RECORD_FIRST_ID, 256);
            if (!inFirstId && !inField(offset, recordBody + RECORD_SECOND_ID, 256)) {
                return ::testing::AssertionFailure()
                       << "offset " << offset << " changed outside the identifiers of the record at "
                       << recordBody;
            }
            const size_t field = recordBody + (inFirstId ? RECORD_FIRST_ID : RECORD_SECOND_ID);
            if (!isEndpointId(fieldText(after, field, 128))) {
                return ::testing::AssertionFailure()
                       << "record field at " << field << " holds no endpoint id";
            }
        }
        return ::testing::AssertionSuccess();
    }

    // The body of a device-pair record, with room for its layout, whose identifiers cover offset.
    static size_t devicePairBodyAround(const std::string& bytes, size_t offset) {
        const size_t lowest = offset >= RECORD_SECOND_ID + 256 ? offset - RECORD_SECOND_ID - 255 : 0;
        for (size_t body = std::max<size_t>(lowest, HEADER_SIZE + 24); body + RECORD_FIRST_ID <= offset;
             ++body) {
            if (holdsDevicePairType(bytes, body - 24) && int32At(bytes, body - 4) >= 1036 &&
                body + DEVICE_PAIR_SIZE <= bytes.size()) {
                return body;
            }
        }
        return 0;
    }
};

TEST_F(DeviceIdUpdateRandomizedTest, MutatedDatabasesChangeOnlyTheirIdentifiers) {
    const std::vector<DatabaseFile> databases = validDatabases();
    Mutator mutator(SEED);
    int headerWrites = 0;
    int recordWrites = 0;
    for (int mutation = 0; mutation < MUTATIONS; ++mutation) {
        const std::string before =
            mutator.mutate(databases[static_cast<size_t>(mutation) % databases.size()]);
        const std::string after = rewrite(before);
        ASSERT_TRUE(changedOnlyWhereAllowed(before, after)) << "seed " << SEED << ", mutation " << mutation;
        headerWrites += after.compare(0, 3, "VNC") == 0 ? 1 : 0;
        recordWrites += after.compare(0, 3, "VNC") == 0 && after.size() > HEADER_SIZE &&
                                after.compare(HEADER_SIZE, std::string::npos, before, HEADER_SIZE) != 0
                            ? 1
                            : 0;
    }
    // The mutations must leave enough files intact for the rewrite to reach its writes.
    EXPECT_GT(headerWrites, MUTATIONS / 4);
    EXPECT_GT(recordWrites, MUTATIONS / 20);
}
