#pragma once

#include "foundation/KRunnable.h"
#include "foundation/KThread.h"
#include "framework/KFrame.h"
#include "framework/KIcon.h"
#include "framework/KLabel.h"
#include "framework/KProgressBar.h"

class KString;

// The installer's one window: a status line over a progress bar. It runs the installation on its own
// worker thread and closes itself when the run is done; the user cannot close it before.
class InstallerWindow : public KFrame, public KRunnable {
public:
    InstallerWindow();
    ~InstallerWindow() override;

    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void onCloseRequest() override;
    // The installation run, on the worker thread.
    void run(KThread* thread) override;

    // Called on the worker thread; percentages above 100 are shown as 100.
    void postProgress(int percent);
    // False when the worker could not be started.
    bool startInstallation();
    // Dispatches the thread's messages until the worker has ended; returns at once without one.
    void waitForInstallation();

private:
    // Executes the run's steps on the worker thread.
    class StepExecution;

    void postStatus(const KString& text);

    KLabel statusLabel;
    KProgressBar progressBar;
    KThread workerThread;
    KIcon windowIcon;
};
