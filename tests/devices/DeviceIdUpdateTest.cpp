#include "devices/DeviceIdUpdate.h"
#include "DeviceTestFixture.h"
#include "devices/DatabaseWalk.h"
#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"
#include "support/DatabaseBuilder.h"
#include "support/UnixSymbolicLink.h"

#include <windows.h>

#include <climits>

using namespace DatabaseOffsets;

namespace {

// Identifiers of another machine, longer than this machine's, so that the bytes a shorter new
// identifier leaves after its terminator are checked too.
const std::wstring OLD_HEADER_FIRST_ID =
    L"{0.0.0.00000000}.{4f7c2a10-0b6e-4d2a-9c11-another-machine-header-first}";
const std::wstring OLD_HEADER_SECOND_ID =
    L"{0.0.1.00000000}.{8a03e6d1-55c2-47f0-8e3b-another-machine-header-second}";
const std::wstring OLD_RECORD_FIRST_ID =
    L"{0.0.0.00000000}.{19b0c7e4-2d6a-4e85-b1f2-another-machine-record-first}";
const std::wstring OLD_RECORD_SECOND_ID =
    L"{0.0.1.00000000}.{c6d8f2a0-73b1-4c5e-9a07-another-machine-record-second}";
const std::wstring LATER_RECORD_ID =
    L"{0.0.0.00000000}.{e2a9d4c3-1f60-4b7a-8d95-another-machine-later-record}";

DevicePairDescription firstRecordDevices() {
    return {OLD_RECORD_FIRST_ID, L"Headphones", OLD_RECORD_SECOND_ID, L"Line 1"};
}

// Entries of both payload kinds, records of other types (one empty) around two device-pair
// records, the first of them longer than its layout, and bytes after the record list.
DatabaseDescription fullDatabase() {
    DatabaseDescription database;
    database.signature = "PRE";
    database.firstDeviceId = OLD_HEADER_FIRST_ID;
    database.secondDeviceId = OLD_HEADER_SECOND_ID;
    database.firstDeviceName = L"Speakers (Studio USB)";
    database.secondDeviceName = L"Microphone (Studio USB)";
    database.entries = {{true, 40}, {false, 24}, {true, 0}, {false, 0}};
    database.records = {
        otherRecord(16), otherRecord(0), devicePairRecord(firstRecordDevices(), 1100), otherRecord(8),
        devicePairRecord({LATER_RECORD_ID, L"HEADPHONES", LATER_RECORD_ID, L"Monitor of Headphones"})};
    database.trailingBytes = 37;
    return database;
}

constexpr size_t FIRST_PAIR = 2; // index of the first device-pair record in fullDatabase

} // namespace

class DeviceIdUpdateTest : public DeviceTestFixture {
protected:
    // The file with the signature and the header's identifiers of this machine.
    std::string withHeaderUpdated(std::string bytes, const DatabaseDescription& database) {
        putSignature(bytes);
        putText(bytes, HEADER_FIRST_ID, idOf(database.firstDeviceName));
        putText(bytes, HEADER_SECOND_ID, idOf(database.secondDeviceName));
        return bytes;
    }
};

TEST(DeviceIdUpdate, IsPseudoDeviceMatchesTheThreeNamesExactly) {
    const struct {
        const wchar_t* name;
        bool expected;
    } cases[] = {
        {L"Tone Source", true},      {L"Capture Writer", true},
        {L"Silent Sink", true},      {L"tone source", false},
        {L"SILENT SINK", false},     {L"Tone Source ", false},
        {L" Capture Writer", false}, {L"Tone", false},
        {L"Silent SinkX", false},    {L"", false},
        {L"Headphones", false},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(test.expected, isPseudoDevice(test.name))
            << ::testing::PrintToString(std::wstring(test.name));
    }
}

TEST_F(DeviceIdUpdateTest, RewritesTheHeaderAndTheFirstDevicePairRecordOnly) {
    const DatabaseDescription database = fullDatabase();
    const DatabaseFile file = buildDatabase(database);
    std::string expected = withHeaderUpdated(file.bytes, database);
    putText(expected, file.bodyOffsets[FIRST_PAIR] + RECORD_FIRST_ID, idOf(L"Headphones"));
    putText(expected, file.bodyOffsets[FIRST_PAIR] + RECORD_SECOND_ID, idOf(L"Line 1"));
    EXPECT_TRUE(sameBytes(expected, rewrite(file.bytes, true))) << "while another program has it open";
    // A second run finds this machine's identifiers already there and changes nothing more.
    EXPECT_TRUE(sameBytes(expected, rewrite(expected)));
}

TEST_F(DeviceIdUpdateTest, HeaderOfPseudoDevicesIsWrittenBackWithTheSignatureAndTheRecordsAreWalked) {
    DatabaseDescription database = fullDatabase();
    database.firstDeviceName = L"Tone Source";
    database.secondDeviceName = L"Silent Sink";
    const DatabaseFile file = buildDatabase(database);
    std::string expected = file.bytes;
    putSignature(expected);
    putText(expected, file.bodyOffsets[FIRST_PAIR] + RECORD_FIRST_ID, idOf(L"Headphones"));
    putText(expected, file.bodyOffsets[FIRST_PAIR] + RECORD_SECOND_ID, idOf(L"Line 1"));
    EXPECT_TRUE(sameBytes(expected, rewrite(file.bytes)));
}

TEST_F(DeviceIdUpdateTest, HeaderDeviceWithoutEndpointLeavesTheFileUnchanged) {
    const wchar_t* const absentNames[] = {
        L"headphones", L"Headphones ", L" Headphones", L"Speakers", L"Speakers (Studio USB) ", L"tone source",
        L"",           L"Nowhere"};
    for (const wchar_t* name : absentNames) {
        for (const bool first : {true, false}) {
            SCOPED_TRACE(::testing::PrintToString(std::wstring(name)) + (first ? " first" : " second"));
            DatabaseDescription database = fullDatabase();
            (first ? database.firstDeviceName : database.secondDeviceName) = name;
            const DatabaseFile file = buildDatabase(database);
            EXPECT_TRUE(sameBytes(file.bytes, rewrite(file.bytes)));
        }
    }
}

TEST_F(DeviceIdUpdateTest, RecordDeviceWithoutEndpointLeavesTheRecordUntouched) {
    for (const bool first : {true, false}) {
        SCOPED_TRACE(first ? "first" : "second");
        DatabaseDescription database = fullDatabase();
        DevicePairDescription devices = firstRecordDevices();
        (first ? devices.firstDeviceName : devices.secondDeviceName) = L"LINE 1";
        database.records[FIRST_PAIR] = devicePairRecord(devices);
        const DatabaseFile file = buildDatabase(database);
        EXPECT_TRUE(sameBytes(withHeaderUpdated(file.bytes, database), rewrite(file.bytes)));
    }
}

TEST_F(DeviceIdUpdateTest, PseudoDevicesOfTheRecordKeepTheirIdentifiers) {
    const struct {
        const wchar_t* firstName;
        const wchar_t* secondName;
    } cases[] = {
        {L"Capture Writer", L"Microphone (Studio USB)"},
        {L"Speakers (Studio USB)", L"Tone Source"},
        {L"Silent Sink", L"Capture Writer"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(test.firstName)));
        DatabaseDescription database = fullDatabase();
        database.records[FIRST_PAIR] =
            devicePairRecord({OLD_RECORD_FIRST_ID, test.firstName, OLD_RECORD_SECOND_ID, test.secondName});
        const DatabaseFile file = buildDatabase(database);
        std::string expected = withHeaderUpdated(file.bytes, database);
        if (!isPseudoDevice(test.firstName)) {
            putText(expected, file.bodyOffsets[FIRST_PAIR] + RECORD_FIRST_ID, idOf(test.firstName));
        }
        if (!isPseudoDevice(test.secondName)) {
            putText(expected, file.bodyOffsets[FIRST_PAIR] + RECORD_SECOND_ID, idOf(test.secondName));
        }
        EXPECT_TRUE(sameBytes(expected, rewrite(file.bytes)));
    }
}

TEST_F(DeviceIdUpdateTest, EntryCountOfZeroOrLessWalksNoEntries) {
    for (const int32_t entryCount : {0, -1, INT_MIN}) {
        SCOPED_TRACE(entryCount);
        DatabaseDescription database = fullDatabase();
        database.entries.clear();
        database.overrideEntryCount = true;
        database.entryCount = entryCount;
        const DatabaseFile file = buildDatabase(database);
        std::string expected = withHeaderUpdated(file.bytes, database);
        putText(expected, file.bodyOffsets[FIRST_PAIR] + RECORD_FIRST_ID, idOf(L"Headphones"));
        putText(expected, file.bodyOffsets[FIRST_PAIR] + RECORD_SECOND_ID, idOf(L"Line 1"));
        EXPECT_TRUE(sameBytes(expected, rewrite(file.bytes)));
    }
}

TEST_F(DeviceIdUpdateTest, RecordCountOfZeroOrLessVisitsNoRecord) {
    for (const int32_t recordCount : {0, -1, INT_MIN}) {
        SCOPED_TRACE(recordCount);
        DatabaseDescription database = fullDatabase();
        database.overrideRecordCount = true;
        database.recordCount = recordCount;
        const DatabaseFile file = buildDatabase(database);
        EXPECT_TRUE(sameBytes(withHeaderUpdated(file.bytes, database), rewrite(file.bytes)));
    }
}

TEST_F(DeviceIdUpdateTest, DevicePairRecordShorterThanItsLayoutIsSkipped) {
    for (const int32_t recordSize : {0, 10, 777, 1035}) {
        SCOPED_TRACE(recordSize);
        DatabaseDescription database = fullDatabase();
        database.records = {devicePairRecord(firstRecordDevices(), recordSize),
                            devicePairRecord({OLD_RECORD_FIRST_ID, L"Microphone (Studio USB)",
                                              OLD_RECORD_SECOND_ID, L"Speakers (Studio USB)"})};
        const DatabaseFile file = buildDatabase(database);
        std::string expected = withHeaderUpdated(file.bytes, database);
        putText(expected, file.bodyOffsets[1] + RECORD_FIRST_ID, idOf(L"Microphone (Studio USB)"));
        putText(expected, file.bodyOffsets[1] + RECORD_SECOND_ID, idOf(L"Speakers (Studio USB)"));
        EXPECT_TRUE(sameBytes(expected, rewrite(file.bytes)));
    }
}

TEST_F(DeviceIdUpdateTest, PathThatNamesNoFileIsLeftAsItWas) {
    const KString paths[] = {path, folder.join(L"\\missing\\Profiles.db"), folder.path()};
    for (const KString& missing : paths) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(missing.text())));
        updateDeviceIds(missing);
        EXPECT_FALSE(KFile::exists(missing));
    }
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(folder.join(L"\\*").text(), &entry);
    ASSERT_NE(INVALID_HANDLE_VALUE, search) << GetLastError();
    int names = 0;
    do {
        ++names;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    EXPECT_EQ(2, names) << "the folder should hold only . and ..";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.path().text())) << GetLastError();
}

TEST_F(DeviceIdUpdateTest, FileShorterThanItsHeaderIsUnchanged) {
    const DatabaseFile file = buildDatabase(fullDatabase());
    for (const size_t length : {0u, 1u, 3u, 1583u, 1590u, 1593u}) {
        SCOPED_TRACE(length);
        const std::string cut = file.bytes.substr(0, length);
        EXPECT_TRUE(sameBytes(cut, rewrite(cut)));
    }
}

TEST_F(DeviceIdUpdateTest, FileEndingAfterItsHeaderGetsTheHeaderOnly) {
    const DatabaseDescription database = fullDatabase();
    const DatabaseFile file = buildDatabase(database);
    const size_t body = file.bodyOffsets[FIRST_PAIR];
    const size_t lengths[] = {
        HEADER_SIZE, HEADER_SIZE + 700,       file.recordCountOffset,     file.recordOffsets[0] + 10,
        body - 1,    body + RECORD_SECOND_ID, body + DEVICE_PAIR_SIZE - 1};
    for (const size_t length : lengths) {
        SCOPED_TRACE(length);
        const std::string cut = file.bytes.substr(0, length);
        EXPECT_TRUE(sameBytes(withHeaderUpdated(cut, database), rewrite(cut)));
    }
}

TEST_F(DeviceIdUpdateTest, CountsAndSizesBeyondTheFileStopTheWalk) {
    const DatabaseDescription database = fullDatabase();
    const DatabaseFile file = buildDatabase(database);
    const struct {
        const char* what;
        size_t offset;
        int32_t value;
    } cases[] = {
        {"entryCount INT_MAX", file.entryCountOffset, INT_MAX},
        {"entryCount 5", file.entryCountOffset, 5},
        {"payloadByteSize -1", file.payloadDescriptorOffsets[0] + PAYLOAD_BYTE_SIZE, -1},
        {"payloadByteSize INT_MIN", file.payloadDescriptorOffsets[0] + PAYLOAD_BYTE_SIZE, INT_MIN},
        {"payloadByteSize INT_MAX", file.payloadDescriptorOffsets[0] + PAYLOAD_BYTE_SIZE, INT_MAX},
        {"payloadItemCount -1", file.payloadDescriptorOffsets[1] + PAYLOAD_ITEM_COUNT, -1},
        {"payloadItemCount INT_MAX", file.payloadDescriptorOffsets[1] + PAYLOAD_ITEM_COUNT, INT_MAX},
        {"payloadItemCount INT_MIN", file.payloadDescriptorOffsets[1] + PAYLOAD_ITEM_COUNT, INT_MIN},
        // The item count of a byte payload is -1, of an item payload the byte size INT_MAX.
        {"payloadIsBytes cleared", file.payloadDescriptorOffsets[0] + PAYLOAD_IS_BYTES, 0},
        {"payloadIsBytes set", file.payloadDescriptorOffsets[1] + PAYLOAD_IS_BYTES, 1},
        {"recordSize -1", file.recordOffsets[0] + RECORD_SIZE_FIELD, -1},
        {"recordSize INT_MIN", file.recordOffsets[0] + RECORD_SIZE_FIELD, INT_MIN},
        {"recordSize INT_MAX", file.recordOffsets[0] + RECORD_SIZE_FIELD, INT_MAX},
        {"recordSize past the end", file.recordOffsets[1] + RECORD_SIZE_FIELD,
         static_cast<int32_t>(file.bytes.size() - file.bodyOffsets[1] + 1)},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        std::string corrupt = file.bytes;
        putInt32(corrupt, test.offset, test.value);
        EXPECT_TRUE(sameBytes(withHeaderUpdated(corrupt, database), rewrite(corrupt)));
    }
}

TEST_F(DeviceIdUpdateTest, DevicePairRecordClaimingMoreThanTheFileIsUpdatedWhenItsLayoutIsInside) {
    const DatabaseDescription database = fullDatabase();
    const DatabaseFile file = buildDatabase(database);
    const size_t body = file.bodyOffsets[FIRST_PAIR];
    const size_t sizeField = file.recordOffsets[FIRST_PAIR] + RECORD_SIZE_FIELD;
    const struct {
        const char* what;
        size_t length;
        int32_t recordSize;
    } cases[] = {
        {"file ends after the layout", body + DEVICE_PAIR_SIZE, 1100},
        {"file ends inside the body", body + 1099, 1100},
        {"recordSize INT_MAX", file.bytes.size(), INT_MAX},
        {"recordSize INT_MAX, file ends after the layout", body + DEVICE_PAIR_SIZE, INT_MAX},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        std::string bytes = file.bytes.substr(0, test.length);
        putInt32(bytes, sizeField, test.recordSize);
        std::string expected = withHeaderUpdated(bytes, database);
        putText(expected, body + RECORD_FIRST_ID, idOf(L"Headphones"));
        putText(expected, body + RECORD_SECOND_ID, idOf(L"Line 1"));
        EXPECT_TRUE(sameBytes(expected, rewrite(bytes)));
    }
}

TEST_F(DeviceIdUpdateTest, RecordCountBeyondTheListIsHarmless) {
    DatabaseDescription database = fullDatabase();
    database.records = {otherRecord(16), otherRecord(0)};
    database.overrideRecordCount = true;
    database.recordCount = INT_MAX;
    const DatabaseFile file = buildDatabase(database);
    EXPECT_TRUE(sameBytes(withHeaderUpdated(file.bytes, database), rewrite(file.bytes)));
}

// A read-only database is not opened for writing at all.
// wineOnly: the tests run as root, which may write a read-only file, so only the refusal to open keeps
// it; Windows would refuse the write anyway.
TEST_F(DeviceIdUpdateTest, ReadOnlyDatabaseIsLeftAsItIs) {
    const DatabaseFile file = buildDatabase(fullDatabase());
    ASSERT_TRUE(writeFileBytes(path, file.bytes.data(), static_cast<unsigned long>(file.bytes.size())));
    ASSERT_TRUE(SetFileAttributesW(path.text(), FILE_ATTRIBUTE_READONLY)) << GetLastError();

    updateDeviceIds(path);

    SetFileAttributesW(path.text(), FILE_ATTRIBUTE_NORMAL);
    std::string bytes;
    ASSERT_TRUE(readFileBytes(path, bytes)) << GetLastError();
    EXPECT_TRUE(sameBytes(file.bytes, bytes));
}

// What is appended while the walk goes on is not read: the walk ends at the size the file had when
// it began, so that a file that keeps growing cannot keep it going.
TEST_F(DeviceIdUpdateTest, TheWalkEndsAtTheSizeTheFileHadWhenItBegan) {
    DatabaseDescription database = fullDatabase();
    database.records = {otherRecord(16)};
    database.overrideRecordCount = true;
    database.recordCount = 2;
    // The file ends with its one record, so that the record the count promises lies past that end.
    database.trailingBytes = 0;
    const DatabaseFile file = buildDatabase(database);
    ASSERT_TRUE(writeFileBytes(path, file.bytes.data(), static_cast<unsigned long>(file.bytes.size())));
    KFile opened;
    ASSERT_TRUE(opened.open(path, GENERIC_READ | GENERIC_WRITE, true)) << GetLastError();
    DatabaseReader reader(opened);
    ConfigurationDatabase::HeaderDeviceBlock header;
    ASSERT_TRUE(reader.readHeader(header));

    // The record the count promises, appended after the walk began.
    DatabaseDescription grown = database;
    grown.records.push_back(devicePairRecord(firstRecordDevices()));
    const std::string more = buildDatabase(grown).bytes.substr(file.bytes.size());
    KFile appender;
    ASSERT_TRUE(appender.open(path, GENERIC_WRITE, true)) << GetLastError();
    ASSERT_TRUE(appender.seekToEnd());
    ASSERT_EQ(more.size(), appender.write(more.data(), static_cast<DWORD>(more.size())));

    EXPECT_EQ(WalkEnd::RECORDS_CUT, reader.findDevicePair());
}

// The database's folder belongs to a user who may link it, or the file, to what only administrators
// may write; the outside file stands for that.
TEST_F(DeviceIdUpdateTest, HardLinkedOrLinkedDatabaseAndLinkedFolderAreLeftAlone) {
    const DatabaseFile file = buildDatabase(fullDatabase());
    const TemporaryFolder outsideFolder;
    const KString outside = outsideFolder.join(L"\\Protected.db");
    ASSERT_TRUE(writeFileBytes(outside, "", 0));
    const auto expectOutsideUnchanged = [&](const KString& given) {
        // Written where it is, so that a link made before keeps leading to it.
        ASSERT_TRUE(
            writeFileBytes(outside, file.bytes.data(), static_cast<unsigned long>(file.bytes.size())));
        updateDeviceIds(given);
        std::string bytes;
        ASSERT_TRUE(readFileBytes(outside, bytes)) << GetLastError();
        EXPECT_TRUE(sameBytes(file.bytes, bytes));
    };
    {
        SCOPED_TRACE("hard link");
        SetLastError(0xdeadbeef);
        ASSERT_TRUE(CreateHardLinkW(path.text(), outside.text(), nullptr)) << GetLastError();
        expectOutsideUnchanged(path);
        DeleteFileW(path.text());
    }
    {
        SCOPED_TRACE("symbolic link");
        const UnixSymbolicLink link(outside, path);
        ASSERT_TRUE(link.isMade()) << link.whyNotMade();
        expectOutsideUnchanged(path);
    }
    {
        SCOPED_TRACE("through a linked folder");
        const UnixSymbolicLink link(outsideFolder.path(), folder.join(L"\\Linked"));
        ASSERT_TRUE(link.isMade()) << link.whyNotMade();
        expectOutsideUnchanged(folder.join(L"\\Linked\\Protected.db"));
    }
}

// The database is the desktop user's: opened with that user's rights, and left alone when they cannot
// be taken.
// wineOnly: the token is the running account's own, so the test shows the way taken; on Windows the
// desktop user's token would also bring that user's own rights to bear.
TEST_F(DeviceIdUpdateTest, OpensTheDatabaseWithTheUsersRightsOrNotAtAll) {
    const DatabaseFile file = buildDatabase(fullDatabase());
    const struct {
        const char* what;
        DWORD access;
        bool rewritten;
    } cases[] = {
        {"a token that can be taken on", TOKEN_QUERY | TOKEN_DUPLICATE, true},
        // Taking on a primary token needs its duplication.
        {"a token that cannot", TOKEN_QUERY | TOKEN_IMPERSONATE, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        ASSERT_TRUE(writeFileBytes(path, file.bytes.data(), static_cast<unsigned long>(file.bytes.size())));
        UniqueHandle token;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), test.access, token.put())) << GetLastError();

        updateDeviceIds(path, token.get());

        std::string bytes;
        ASSERT_TRUE(readFileBytes(path, bytes)) << GetLastError();
        EXPECT_EQ(test.rewritten, !sameBytes(file.bytes, bytes));
        UniqueHandle threadToken;
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, threadToken.put()))
            << "still acting as the user";
        EXPECT_EQ(static_cast<DWORD>(ERROR_NO_TOKEN), GetLastError());
    }
}
