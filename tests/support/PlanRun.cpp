#include "PlanRun.h"

#include <objbase.h>

#include <utility>

PlanRun::PlanRun(const KString& programFolder, std::function<void(const RunStep&)> beforeStep)
    : folder(programFolder), beforeStep(std::move(beforeStep)) {}

void PlanRun::run() {
    const HRESULT com = CoInitialize(nullptr);
    plan.forEachStep(*this);
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
}

void PlanRun::visit(const RunStep& step) {
    if (beforeStep) {
        beforeStep(step);
    }
    int moveTo = bar;
    switch (step.action) {
    case RunAction::SHOW_STATUS:
        statuses.emplace_back(step.status.text(), static_cast<size_t>(step.status.length()));
        break;
    case RunAction::WAIT:
        waitedMs += step.waitMs;
        break;
    case RunAction::SCAN_FOLDER:
        plan.scanFolder(folder);
        break;
    case RunAction::ADVANCE_PROGRESS:
        moveTo = step.percent;
        break;
    case RunAction::FILL_PROGRESS:
        moveTo = 100;
        break;
    case RunAction::CLOSE:
        closed = true;
        break;
    default:
        plan.perform(step);
        break;
    }
    // A bar set to where it is does not move.
    if (moveTo != bar) {
        bar = moveTo;
        progress.push_back(bar);
    }
}
