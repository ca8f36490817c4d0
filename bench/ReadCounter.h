#pragma once

#include <cstdint>

// Counts what this program reads and writes through ReadFile and WriteFile, by redirecting its own
// imports of them. Wine keeps no process I/O counters (GetProcessIoCounters reports zeros), so the
// count is taken at the calls themselves. Not thread-safe; the benchmark runs on one thread.
struct FileTraffic {
    uint64_t readCalls;
    uint64_t bytesRead;
    uint64_t writeCalls;
    uint64_t bytesWritten;
};

// False when the imports could not be found or redirected.
bool startCountingFileTraffic();
FileTraffic fileTraffic();
