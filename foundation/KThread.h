#pragma once

#include <windows.h>

#include <atomic>

class KRunnable;

// Runs a KRunnable on a thread of its own. Neither stops nor waits for the thread when destroyed.
class KThread {
public:
    KThread();
    KThread(const KThread&) = delete;
    KThread& operator=(const KThread&) = delete;

    virtual void setHandle(HANDLE handle);
    virtual void setRunnable(KRunnable* runnable);
    virtual HANDLE getHandle();
    virtual void run();
    virtual bool start();
    virtual void requestStop();
    virtual bool shouldRun();
    virtual bool isRunning();
    // Pumping: 1 when the thread has ended, 0 when the wait failed. Plain: the raw wait status.
    virtual int waitUntilFinished(bool pumpMessages);
    virtual ~KThread();

private:
    static unsigned __stdcall threadEntry(void* parameter);

    HANDLE threadHandle;             // owned
    std::atomic<bool> stopRequested; // written and read by different threads
    KRunnable* runnable;             // not owned
};
