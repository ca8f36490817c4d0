// InstallerWindow::run, the installation run on the window's worker thread: it executes the steps of
// the plan that its two scans make. It shows, waits and moves the bar as the steps say, and leaves
// every other step to the plan; the outcome of an installation, a copy or a rewrite is never examined.

#include "InstallerWindow.h"

#include "InstallerMessages.h"

#include "installer/InstallationPlan.h"

#include <objbase.h>

class InstallerWindow::StepExecution : public RunStepVisitor {
public:
    StepExecution(InstallerWindow& window, InstallationPlan& plan) : window(window), plan(plan) {}

    void visit(const RunStep& step) override {
        switch (step.action) {
        case RunAction::SHOW_STATUS:
            window.postStatus(step.status);
            break;
        case RunAction::WAIT:
            Sleep(step.waitMs);
            break;
        case RunAction::ADVANCE_PROGRESS:
            window.postProgress(step.percent);
            break;
        case RunAction::FILL_PROGRESS:
            PostMessageW(window.getWindowHandle(), WM_INSTALL_PROGRESS, 100, 0);
            break;
        case RunAction::CLOSE:
            PostMessageW(window.getWindowHandle(), WM_INSTALL_DONE, 0, 0);
            break;
        default:
            plan.perform(step);
            break;
        }
    }

private:
    InstallerWindow& window;
    InstallationPlan& plan;
};

void InstallerWindow::run(KThread*) {
    CoInitialize(nullptr); // the device identifier rewrite creates COM objects on this thread
    InstallationPlan plan;
    StepExecution execution(*this, plan);
    plan.forEachStep(execution);
    CoUninitialize();
}
