#pragma once

#include "installer/InstallationPlan.h"

#include "foundation/KString.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// An installation run in this process, step by step as the program's window takes them
// (app/InstallerWindowRun.cpp): every step with an effect is performed through the plan, except that
// the folder scanned is the one given instead of this program's own. The waits are summed instead of
// waited, and the texts and the bar's positions are recorded instead of shown.
class PlanRun : private RunStepVisitor {
public:
    // beforeStep, when given, sees each step before it is taken, so that a test can change the
    // machine between two steps.
    explicit PlanRun(const KString& programFolder,
                     std::function<void(const RunStep&)> beforeStep = std::function<void(const RunStep&)>());

    // Takes every step of the plan, with COM initialised on this thread as on the window's worker.
    void run();

    InstallationPlan plan;
    std::vector<std::wstring> statuses; // every text, in the order shown
    std::vector<int> progress;          // every position the bar moved to, in order
    DWORD waitedMs = 0;                 // the fixed waits, together
    bool closed = false;                // the run came to its end and would close the window

private:
    void visit(const RunStep& step) override;

    const KString folder;
    const std::function<void(const RunStep&)> beforeStep;
    int bar = 0;
};
