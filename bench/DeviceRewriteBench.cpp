// Rewrites configuration databases whose payloads are 1 MB, 100 MB and 1 GB, and one whose
// device-pair record body is 1 GB, and reports, per rewrite, the bytes read and written and the
// time taken. The payload is skipped by moving the file pointer and only the device-pair layout at
// the start of the record body is read, so the bytes read must stay the same whatever those sizes.
// Then counts the audio endpoint enumerations that one rewrite makes, for databases whose names the
// machine's endpoints do and do not carry. Prints Markdown tables.
//
// Usage: device_rewrite_bench [repetitions]

#include "EnumerationCounter.h"
#include "ReadCounter.h"
#include "Stopwatch.h"
#include "devices/DeviceIdUpdate.h"
#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

#include <objbase.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t MEGABYTE = 1024 * 1024;
constexpr uint32_t DEVICE_PAIR_SIZE = 1036;

struct SizeCase {
    uint32_t payloadSize;
    uint32_t devicePairBodySize; // the record's recordSize; the layout is its first 1036 bytes
};
constexpr SizeCase SIZE_CASES[] = {{MEGABYTE, DEVICE_PAIR_SIZE},
                                   {100 * MEGABYTE, DEVICE_PAIR_SIZE},
                                   {1024 * MEGABYTE, DEVICE_PAIR_SIZE},
                                   {MEGABYTE, 1024 * MEGABYTE}};
constexpr DWORD FULL_REWRITE_BYTES = 3 + 1580 + DEVICE_PAIR_SIZE; // signature, header block, record
constexpr unsigned long MAX_ENUMERATIONS = 4;                     // two header names, two record names
constexpr BYTE DEVICE_PAIR_TYPE[16] = {0xBA, 0xDC, 0xF8, 0xDB, 0x17, 0xCB, 0xA1, 0x42,
                                       0x81, 0x92, 0xE5, 0x01, 0xE5, 0x94, 0x22, 0x65};

void putInt32(std::vector<BYTE>& bytes, size_t offset, int32_t value) {
    std::memcpy(&bytes[offset], &value, sizeof(value));
}

void putText(std::vector<BYTE>& bytes, size_t offset, const wchar_t* text) {
    std::memcpy(&bytes[offset], text, (wcslen(text) + 1) * sizeof(wchar_t));
}

// The names a database carries: two in the header, two in its device-pair record.
struct DeviceNames {
    const wchar_t* header[2];
    const wchar_t* record[2];
};

// Pseudo-devices keep the endpoint lookups out of the timing: they take the same time whatever the
// payload.
constexpr DeviceNames PSEUDO_DEVICES = {{L"Tone Source", L"Silent Sink"},
                                        {L"Capture Writer", L"Tone Source"}};
// Endpoints of the test platform's sound server, so every lookup is made and succeeds.
constexpr DeviceNames MACHINE_ENDPOINTS = {{L"Speakers (Studio USB)", L"Microphone (Studio USB)"},
                                           {L"Headphones", L"Microphone (Studio USB)"}};
constexpr DeviceNames UNKNOWN_FIRST_NAME = {{L"Not On This Machine", L"Microphone (Studio USB)"},
                                            {L"Headphones", L"Microphone (Studio USB)"}};
constexpr uint32_t SMALL_PAYLOAD = 4096;

// The header and one entry, up to where its payload begins.
std::vector<BYTE> headAndEntry(uint32_t payloadSize, const DeviceNames& names) {
    std::vector<BYTE> bytes(1594 + 1319, 0x5A);
    std::memcpy(&bytes[0], "VNC", 3);
    putText(bytes, 1027, names.header[0]);
    putText(bytes, 1283, names.header[1]);
    putInt32(bytes, 1590, 1);
    const size_t descriptor = 1594 + 1292 + 3;
    bytes[descriptor + 12] = 1;
    putInt32(bytes, descriptor + 16, static_cast<int32_t>(payloadSize));
    return bytes;
}

// The record list after the payload: a record of another type, then a device-pair record up to the
// end of its layout.
std::vector<BYTE> recordList(const DeviceNames& names, uint32_t devicePairBodySize) {
    std::vector<BYTE> bytes(28 + 24 + 64 + 24 + DEVICE_PAIR_SIZE, 0x5A);
    putInt32(bytes, 24, 2);
    std::memset(&bytes[28], 0x11, 16);
    putInt32(bytes, 28 + 20, 64);
    const size_t pair = 28 + 24 + 64;
    std::memcpy(&bytes[pair], DEVICE_PAIR_TYPE, sizeof(DEVICE_PAIR_TYPE));
    putInt32(bytes, pair + 20, static_cast<int32_t>(devicePairBodySize));
    putText(bytes, pair + 24 + 266, names.record[0]);
    putText(bytes, pair + 24 + 778, names.record[1]);
    return bytes;
}

// The payload and the device-pair body after its layout are left as holes: the file system stores
// no bytes for them.
bool createDatabase(const wchar_t* path, uint32_t payloadSize, const DeviceNames& names,
                    uint32_t devicePairBodySize = DEVICE_PAIR_SIZE) {
    const UniqueFileHandle file(
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    const std::vector<BYTE> head = headAndEntry(payloadSize, names);
    const std::vector<BYTE> tail = recordList(names, devicePairBodySize);
    DWORD written = 0;
    LARGE_INTEGER tailPosition;
    tailPosition.QuadPart = static_cast<LONGLONG>(head.size()) + payloadSize;
    LARGE_INTEGER bodyRest;
    bodyRest.QuadPart = devicePairBodySize - DEVICE_PAIR_SIZE;
    return WriteFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &written, nullptr) &&
           SetFilePointerEx(file.get(), tailPosition, nullptr, FILE_BEGIN) &&
           WriteFile(file.get(), tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr) &&
           written == tail.size() && SetFilePointerEx(file.get(), bodyRest, nullptr, FILE_CURRENT) &&
           SetEndOfFile(file.get());
}

// "1036 B", "1 MB", "1024 MB".
void printSize(uint32_t bytes) {
    if (bytes % MEGABYTE == 0) {
        std::printf("%u MB", bytes / MEGABYTE);
    } else {
        std::printf("%u B", bytes);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : 20;
    // The rewrite's endpoint lookups need COM, as on the installer's worker thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const Stopwatch firstEnumerator;
    const bool countingEnumerations = SUCCEEDED(com) && startCountingEnumerations();
    const double firstEnumeratorMs = firstEnumerator.elapsedMs();
    if (repetitions < 1 || !countingEnumerations || !startCountingFileTraffic()) {
        std::fprintf(stderr, "usage: device_rewrite_bench [repetitions >= 1]; file calls and endpoint "
                             "enumerations must be countable\n");
        return 2;
    }
    wchar_t folder[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, folder);
    wchar_t path[MAX_PATH + 64];
    swprintf(path, sizeof(path) / sizeof(path[0]), L"%lspellmont-bench-%lu.db64", folder,
             GetCurrentProcessId());

    std::printf("Per rewrite; %d rewrites per database after one warm-up rewrite.\n\n", repetitions);
    std::printf(
        "| Payload | Device-pair body | File bytes | ReadFile calls | Bytes read | Bytes written | Mean ms "
        "| Fastest ms |\n|---|---|---|---|---|---|---|---|\n");
    int status = 0;
    uint64_t firstBytesRead = 0;
    for (const SizeCase& sizes : SIZE_CASES) {
        if (!createDatabase(path, sizes.payloadSize, PSEUDO_DEVICES, sizes.devicePairBodySize)) {
            std::fprintf(stderr, "cannot create the database (error %lu)\n", GetLastError());
            status = 1;
            break;
        }
        updateDeviceIds(KString(path, KString::REFER_STATIC)); // warms the file cache and the code
        double total = 0;
        double fastest = 0;
        FileTraffic perRewrite = {};
        for (int repetition = 0; repetition < repetitions; ++repetition) {
            const FileTraffic before = fileTraffic();
            const Stopwatch rewrite;
            updateDeviceIds(KString(path, KString::REFER_STATIC));
            const double milliseconds = rewrite.elapsedMs();
            const FileTraffic after = fileTraffic();
            perRewrite = {after.readCalls - before.readCalls, after.bytesRead - before.bytesRead,
                          after.writeCalls - before.writeCalls, after.bytesWritten - before.bytesWritten};
            total += milliseconds;
            fastest = repetition == 0 || milliseconds < fastest ? milliseconds : fastest;
        }
        WIN32_FILE_ATTRIBUTE_DATA attributes;
        GetFileAttributesExW(path, GetFileExInfoStandard, &attributes);
        const uint64_t fileBytes =
            (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
        std::printf("| ");
        printSize(sizes.payloadSize);
        std::printf(" | ");
        printSize(sizes.devicePairBodySize);
        std::printf(" | %llu | %llu | %llu | %llu | %.3f | %.3f |\n",
                    static_cast<unsigned long long>(fileBytes),
                    static_cast<unsigned long long>(perRewrite.readCalls),
                    static_cast<unsigned long long>(perRewrite.bytesRead),
                    static_cast<unsigned long long>(perRewrite.bytesWritten), total / repetitions, fastest);
        DeleteFileW(path);
        // A rewrite that stopped early would measure less than the whole walk.
        if (perRewrite.bytesWritten != FULL_REWRITE_BYTES) {
            std::fprintf(stderr, "the rewrite wrote %llu bytes, not the header and the record (%lu)\n",
                         static_cast<unsigned long long>(perRewrite.bytesWritten), FULL_REWRITE_BYTES);
            status = 1;
        }
        firstBytesRead = firstBytesRead == 0 ? perRewrite.bytesRead : firstBytesRead;
        if (perRewrite.bytesRead != firstBytesRead) {
            std::fprintf(stderr, "the rewrite read %llu bytes, not the %llu of the first database\n",
                         static_cast<unsigned long long>(perRewrite.bytesRead),
                         static_cast<unsigned long long>(firstBytesRead));
            status = 1;
        }
    }

    struct EnumerationCase {
        const char* description;
        const DeviceNames* names;
    };
    const EnumerationCase cases[] = {
        {"four names of this machine's endpoints", &MACHINE_ENDPOINTS},
        {"first header name on no endpoint (the rewrite ends there)", &UNKNOWN_FIRST_NAME},
        {"pseudo-devices only", &PSEUDO_DEVICES},
    };
    std::printf("\nThe process's first audio device enumerator took %.1f ms to make (the system's audio "
                "driver is loaded and connects to the sound server); each lookup after it makes its own "
                "enumerator and enumeration.\n\n",
                firstEnumeratorMs);
    std::printf("| Database | Endpoint enumerations | Bytes written | Rewrite ms |\n|---|---|---|---|\n");
    for (const EnumerationCase& example : cases) {
        if (!createDatabase(path, SMALL_PAYLOAD, *example.names)) {
            std::fprintf(stderr, "cannot create the database (error %lu)\n", GetLastError());
            status = 1;
            break;
        }
        const unsigned long enumerationsBefore = enumerationCount();
        const FileTraffic before = fileTraffic();
        const Stopwatch rewrite;
        updateDeviceIds(KString(path, KString::REFER_STATIC));
        const double rewriteMs = rewrite.elapsedMs();
        const unsigned long enumerations = enumerationCount() - enumerationsBefore;
        std::printf("| %s | %lu | %llu | %.1f |\n", example.description, enumerations,
                    static_cast<unsigned long long>(fileTraffic().bytesWritten - before.bytesWritten),
                    rewriteMs);
        DeleteFileW(path);
        if (enumerations > MAX_ENUMERATIONS) {
            status = 1;
        }
    }
    CoUninitialize();
    return status;
}
