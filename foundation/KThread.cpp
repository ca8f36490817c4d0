#include "KThread.h"

#include "KRunnable.h"

#include <process.h>

namespace {
constexpr DWORD PUMP_INTERVAL_MS = 200;
}

KThread::KThread() : threadHandle(nullptr), stopRequested(false), runnable(nullptr) {}

void KThread::setHandle(HANDLE handle) {
    threadHandle = handle;
}

void KThread::setRunnable(KRunnable* newRunnable) {
    runnable = newRunnable;
}

HANDLE KThread::getHandle() {
    return threadHandle;
}

void KThread::run() {
    if (runnable != nullptr) {
        runnable->run(this);
    }
}

bool KThread::start() {
    stopRequested = false;
    if (threadHandle != nullptr) {
        CloseHandle(threadHandle);
        threadHandle = nullptr;
    }
    // Suspended until the handle is stored, so the work never runs before it is in place.
    const uintptr_t handle =
        _beginthreadex(nullptr, 0, &KThread::threadEntry, this, CREATE_SUSPENDED, nullptr);
    if (handle == 0) {
        return false;
    }
    // Resumed by the handle the start gave: a subclass's setHandle may store it elsewhere.
    const HANDLE thread = reinterpret_cast<HANDLE>(handle);
    setHandle(thread);
    ResumeThread(thread);
    return true;
}

void KThread::requestStop() {
    stopRequested = true;
}

bool KThread::shouldRun() {
    return !stopRequested;
}

bool KThread::isRunning() {
    if (threadHandle == nullptr) {
        return false;
    }
    return WaitForSingleObject(threadHandle, 0) != WAIT_OBJECT_0;
}

int KThread::waitUntilFinished(bool pumpMessages) {
    if (!pumpMessages) {
        return static_cast<int>(WaitForSingleObject(threadHandle, INFINITE));
    }
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const DWORD result =
            MsgWaitForMultipleObjects(1, &threadHandle, FALSE, PUMP_INTERVAL_MS, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            return 1;
        }
        if (result != WAIT_OBJECT_0 + 1 && result != WAIT_TIMEOUT) {
            return 0;
        }
    }
}

KThread::~KThread() {
    if (threadHandle != nullptr) {
        CloseHandle(threadHandle);
    }
}

unsigned __stdcall KThread::threadEntry(void* parameter) {
    if (parameter != nullptr) {
        static_cast<KThread*>(parameter)->run();
    }
    return 0;
}
