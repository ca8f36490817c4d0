#pragma once

#include "support/TemporaryFolder.h"

#include <string>

// A PulseAudio null sink of the test's own, on the server that PULSE_SERVER names (shared with other
// tests that may run at the same time), loaded and unloaded by pactl as a Linux program
// (support/UnixProgram.h). Its name, unique to the object, is also its description, which Wine's
// audio stack gives the endpoint as its friendly name. Unloaded by unload, or at the end.
class PulseNullSink {
public:
    // pactl's answer, the module's index, comes through a file in the folder.
    explicit PulseNullSink(const TemporaryFolder& folder);
    PulseNullSink(const PulseNullSink&) = delete;
    PulseNullSink& operator=(const PulseNullSink&) = delete;
    ~PulseNullSink();

    // True when the sink is there; otherwise why not.
    bool isLoaded() const { return problem.empty(); }
    const std::string& whyNotLoaded() const { return problem; }
    const std::wstring& name() const { return wideName; }
    // Starts pactl to unload the sink; its end cannot be waited for, so the caller watches the effect.
    bool unload();

private:
    std::string sinkName;
    std::wstring wideName;
    std::string moduleIndex; // empty unless loaded and not unloaded
    std::string problem;
};
