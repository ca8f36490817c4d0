#pragma once

#include <windows.h>

#include <cstdint>

// One run of a window program, started and followed from outside: when its window first showed,
// when it ended, how it ended and how much private memory it held at most.
struct ObservedRun {
    bool started;
    DWORD exitCode;
    double shownMs;            // from just before CreateProcessW; negative if the window was never seen
    double endedMs;            // from just before CreateProcessW to the process being signalled
    uint64_t peakPrivateBytes; // 0 unless memory was sampled
};

// What counts as "the window has shown": a visible top-level window of the process with this title
// and, when childText is not null, a child window showing that text.
struct WindowSign {
    const wchar_t* title;
    const wchar_t* childText;
};

// Starts program (its own folder as the working folder) with arguments and waits for its end.
// Sampling memory every few milliseconds disturbs the timing, so a run does one or the other.
ObservedRun observeRun(const wchar_t* program, const wchar_t* arguments, const WindowSign& sign,
                       bool sampleMemory);
