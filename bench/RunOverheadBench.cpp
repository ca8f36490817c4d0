// Runs the installer, as an operator would, on an empty folder and on a folder with two
// configuration databases and a start-up file, and compares it with the smallest window programs
// run the same way. Prints Markdown tables: time from start to the first "Please wait..." and to
// the end against the run's fixed waits, and peak private memory; for the installer also the peak of
// its own heap, from one run of its heap-counted build (bench/HeapCounter.cpp) in each folder.
//
// Usage: run_overhead_bench PELLMONT.EXE PELLMONT_HEAP_COUNTED.EXE MINIMAL_WINDOW.EXE
//        MINIMAL_COM_WINDOW.EXE SAMPLE_DATABASE [repetitions]

#include "ObservedRun.h"

#include "foundation/KString.h"
#include "installer/ComponentDetection.h"
#include "support/TemporaryFolder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Nothing to do: 2000 + 500 + 2000 + 500 + 2000 + 1000. Each database adds 1200, a start-up file 600.
constexpr double EMPTY_FOLDER_WAITS_MS = 8000;
constexpr double CONFIGURED_FOLDER_WAITS_MS = 8000 + 2 * 1200 + 600;
constexpr double OVERHEAD_TARGET_SHARE = 0.005;
constexpr double MEMORY_TARGET_RATIO = 1.5;
constexpr double MEBIBYTE = 1024.0 * 1024.0;
// A process is signalled as ended before Wine has finished tearing it down; a run started at once
// would share the machine with that.
constexpr DWORD SETTLE_MS = 1000;
const wchar_t* const COPIED_FILES[] = {L"\\Profiles.db64", L"\\Profiles.db", L"\\Autostart.dat64"};

struct Timing {
    double median;
    double fastest;
    double slowest;
};

Timing summarise(std::vector<double> values) {
    if (values.empty()) {
        return {0, 0, 0};
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    const double median = values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    return {median, values.front(), values.back()};
}

// One way of running a program, and what its runs measured.
struct Scenario {
    const char* name;
    KString program;
    const wchar_t* timedArguments;   // for the timed runs
    const wchar_t* sampledArguments; // for the run that samples memory
    WindowSign sign;
    double waitsMs;
    std::vector<double> shown;
    std::vector<double> ended;
    uint64_t peakPrivateBytes;
    bool failed;
};

bool runOnce(Scenario& scenario, bool sampleMemory, bool keep) {
    Sleep(SETTLE_MS);
    const ObservedRun run = observeRun(scenario.program.text(),
                                       sampleMemory ? scenario.sampledArguments : scenario.timedArguments,
                                       scenario.sign, sampleMemory);
    if (!run.started || run.exitCode != 0 || run.shownMs < 0) {
        std::fprintf(stderr, "%s: started %d, exit code %lu, window seen %d\n", scenario.name, run.started,
                     run.exitCode, run.shownMs >= 0);
        scenario.failed = true;
        return false;
    }
    if (sampleMemory) {
        scenario.peakPrivateBytes = run.peakPrivateBytes;
    } else if (keep) {
        scenario.shown.push_back(run.shownMs);
        scenario.ended.push_back(run.endedMs);
    }
    return true;
}

KString programCopyIn(const TemporaryFolder& folder, const wchar_t* program, const wchar_t* name) {
    const KString copy = folder.join(name);
    return CopyFileW(program, copy.text(), FALSE) ? copy : KString();
}

// What the installer's own code held on the heap: the most bytes at once, in how many allocations.
struct OwnHeap {
    unsigned long peakBytes;
    unsigned long allocations;
    unsigned long heldAtEnd;
    bool measured;
};

// One run of the heap-counted build beside the scenario's program, so that it finds the same folder.
OwnHeap measureOwnHeap(const TemporaryFolder& folder, const wchar_t* heapCountedProgram) {
    OwnHeap heap = {0, 0, 0, false};
    const KString program = programCopyIn(folder, heapCountedProgram, L"\\PellmontHeapCounted.exe");
    const KString report = folder.join(L"\\heap-report.txt");
    if (program.isEmpty() || !SetEnvironmentVariableW(L"PELLMONT_HEAP_REPORT", report.text())) {
        return heap;
    }
    Sleep(SETTLE_MS);
    const ObservedRun run = observeRun(program.text(), L"", {L"Pellmont", L"Please wait..."}, false);
    SetEnvironmentVariableW(L"PELLMONT_HEAP_REPORT", nullptr);
    std::string text;
    unsigned long unmatchedFrees = 0;
    if (run.started && run.exitCode == 0 && readFileBytes(report, text)) {
        heap.measured = std::sscanf(text.c_str(), "%lu %lu %lu %lu", &heap.peakBytes, &heap.allocations,
                                    &heap.heldAtEnd, &unmatchedFrees) == 4;
    }
    if (unmatchedFrees != 0) {
        // A block from an allocation that the build does not count was freed: the figures miss it.
        std::fprintf(stderr, "the heap count missed the allocations of %lu freed blocks\n", unmatchedFrees);
        heap.measured = false;
    }
    return heap;
}

// The copies the configured runs make in the desktop user's product folder, removed afterwards
// unless they were there before.
class CopiedFilesCleanup {
public:
    CopiedFilesCleanup() : productFolder(getInteractiveUserAppDataFolder() + PRODUCT_FOLDER_NAME) {
        for (size_t index = 0; index < ARRAYSIZE(COPIED_FILES); ++index) {
            existed[index] =
                GetFileAttributesW((productFolder + COPIED_FILES[index]).text()) != INVALID_FILE_ATTRIBUTES;
        }
    }
    CopiedFilesCleanup(const CopiedFilesCleanup&) = delete;
    CopiedFilesCleanup& operator=(const CopiedFilesCleanup&) = delete;
    ~CopiedFilesCleanup() {
        for (size_t index = 0; index < ARRAYSIZE(COPIED_FILES); ++index) {
            if (!existed[index]) {
                DeleteFileW((productFolder + COPIED_FILES[index]).text());
            }
        }
        RemoveDirectoryW(productFolder.text()); // only if nothing else is in it
    }

private:
    const KString productFolder;
    bool existed[ARRAYSIZE(COPIED_FILES)];
};

const char* verdict(bool measured, bool met) {
    return !measured ? "not measured" : met ? "met" : "not met";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int repetitions = argc > 6 ? _wtoi(argv[6]) : 5;
    if (argc < 6 || repetitions < 1) {
        std::fprintf(stderr,
                     "usage: run_overhead_bench PELLMONT.EXE PELLMONT_HEAP_COUNTED.EXE MINIMAL_WINDOW.EXE "
                     "MINIMAL_COM_WINDOW.EXE SAMPLE_DATABASE [repetitions >= 1]\n");
        return 2;
    }
    const TemporaryFolder emptyFolder;
    const TemporaryFolder configuredFolder;
    const char startupBytes[] = "start-up configuration";
    const KString emptyProgram = programCopyIn(emptyFolder, argv[1], L"\\Pellmont.exe");
    const KString configuredProgram = programCopyIn(configuredFolder, argv[1], L"\\Pellmont.exe");
    if (emptyProgram.isEmpty() || configuredProgram.isEmpty() ||
        !CopyFileW(argv[5], configuredFolder.join(L"\\Profiles.db64").text(), FALSE) ||
        !CopyFileW(argv[5], configuredFolder.join(L"\\Profiles.db").text(), FALSE) ||
        !writeFileBytes(configuredFolder.join(L"\\Autostart.dat64"), startupBytes, sizeof(startupBytes))) {
        std::fprintf(stderr, "cannot prepare the run folders (error %lu)\n", GetLastError());
        return 1;
    }
    const CopiedFilesCleanup cleanup;

    const WindowSign installer = {L"Pellmont", L"Please wait..."};
    const WindowSign minimal = {L"Minimal", nullptr};
    const KString minimalProgram(argv[3], KString::REFER_STATIC);
    const KString minimalComProgram(argv[4], KString::REFER_STATIC);
    // The minimal programs stay open as long as an empty run when their memory is sampled.
    Scenario scenarios[] = {
        {"Installer, empty folder",
         emptyProgram,
         L"",
         L"",
         installer,
         EMPTY_FOLDER_WAITS_MS,
         {},
         {},
         0,
         false},
        {"Installer, two databases and a start-up file",
         configuredProgram,
         L"",
         L"",
         installer,
         CONFIGURED_FOLDER_WAITS_MS,
         {},
         {},
         0,
         false},
        {"Minimal window program", minimalProgram, L"0", L"8000", minimal, 0, {}, {}, 0, false},
        {"Minimal window program with a COM worker thread",
         minimalComProgram,
         L"0",
         L"8000",
         minimal,
         0,
         {},
         {},
         0,
         false},
    };
    // Round by round, so that the machine's drift touches every scenario alike; the first round warms up.
    for (int round = 0; round <= repetitions; ++round) {
        for (Scenario& scenario : scenarios) {
            runOnce(scenario, false, round > 0);
        }
    }
    for (Scenario& scenario : scenarios) {
        runOnce(scenario, true, false);
    }
    const OwnHeap emptyHeap = measureOwnHeap(emptyFolder, argv[2]);
    const OwnHeap configuredHeap = measureOwnHeap(configuredFolder, argv[2]);
    Scenario& empty = scenarios[0];
    Scenario& configured = scenarios[1];
    Scenario& bareMinimal = scenarios[2];
    Scenario& comMinimal = scenarios[3];

    std::printf("%d timed rounds after one warm-up round, the scenarios taking turns. Times in ms: "
                "median (fastest to slowest). The minimal programs close as soon as their window shows.\n\n",
                repetitions);
    std::printf(
        "| Run | Fixed waits | Start to exit | Above the waits | Above, share of the waits | Start to "
        "window shown |\n|---|---|---|---|---|---|\n");
    for (const Scenario& scenario : scenarios) {
        const Timing ended = summarise(scenario.ended);
        const Timing shown = summarise(scenario.shown);
        const double above = ended.median - scenario.waitsMs;
        char share[16] = "-";
        if (scenario.waitsMs > 0) {
            std::snprintf(share, sizeof(share), "%.2f%%", above / scenario.waitsMs * 100);
        }
        std::printf("| %s | %.0f | %.0f (%.0f to %.0f) | %.0f | %s | %.0f (%.0f to %.0f) |\n", scenario.name,
                    scenario.waitsMs, ended.median, ended.fastest, ended.slowest, above, share, shown.median,
                    shown.fastest, shown.slowest);
    }

    std::printf("\n| Run | Above the waits, less the minimal program's start to exit | Share of the "
                "waits | Start to window shown, less the minimal program's |\n|---|---|---|---|\n");
    const double floor = summarise(bareMinimal.ended).median;
    const double floorShown = summarise(bareMinimal.shown).median;
    bool rawMet = true;
    for (const Scenario* scenario : {&empty, &configured}) {
        const double above = summarise(scenario->ended).median - scenario->waitsMs;
        rawMet = rawMet && above < scenario->waitsMs * OVERHEAD_TARGET_SHARE;
        std::printf("| %s | %.0f | %.2f%% | %.0f |\n", scenario->name, above - floor,
                    (above - floor) / scenario->waitsMs * 100,
                    summarise(scenario->shown).median - floorShown);
    }
    std::printf("\nOverhead target (under %.1f%% above the waits, start to exit): %s.\n\n",
                OVERHEAD_TARGET_SHARE * 100, verdict(true, rawMet));

    std::printf("| Program, one run sampled every 5 ms | Peak private bytes | Against the minimal program | "
                "Against the minimal program with a COM worker | The program's own heap at its peak |\n"
                "|---|---|---|---|---|\n");
    const double barePeak = static_cast<double>(bareMinimal.peakPrivateBytes);
    const double comPeak = static_cast<double>(comMinimal.peakPrivateBytes);
    bool memoryMet = true;
    bool memoryMeasured = barePeak > 0 && comPeak > 0 && emptyHeap.measured && configuredHeap.measured;
    for (const Scenario& scenario : scenarios) {
        const double peak = static_cast<double>(scenario.peakPrivateBytes);
        memoryMeasured = memoryMeasured && peak > 0;
        const OwnHeap* const heap = &scenario == &empty        ? &emptyHeap
                                    : &scenario == &configured ? &configuredHeap
                                                               : nullptr;
        char ownHeap[80] = "-";
        if (heap != nullptr) {
            memoryMet = memoryMet && barePeak > 0 && peak / barePeak <= MEMORY_TARGET_RATIO;
            std::snprintf(ownHeap, sizeof ownHeap, "not measured");
        }
        if (heap != nullptr && heap->measured) {
            std::snprintf(ownHeap, sizeof ownHeap, "%.1f KiB in %lu allocations, %lu bytes held at the end",
                          heap->peakBytes / 1024.0, heap->allocations, heap->heldAtEnd);
        }
        std::printf("| %s | %.2f MiB | %.2f | %.2f | %s |\n", scenario.name, peak / MEBIBYTE,
                    barePeak > 0 ? peak / barePeak : 0.0, comPeak > 0 ? peak / comPeak : 0.0, ownHeap);
    }
    std::printf("\nMemory target (at most %.1f times the minimal program): %s.\n", MEMORY_TARGET_RATIO,
                verdict(memoryMeasured, memoryMet));

    bool failed = !memoryMeasured;
    for (const Scenario& scenario : scenarios) {
        failed = failed || scenario.failed;
    }
    return failed ? 1 : 0;
}
