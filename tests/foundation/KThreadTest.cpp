#include "foundation/KThread.h"

#include "foundation/KRunnable.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

class StopProbe : public KRunnable {
public:
    std::atomic<bool> sawRun{false};
    void run(KThread* thread) override { sawRun = thread->shouldRun(); }
};

// Runs until the test lets it finish, so the test controls when the thread ends.
class Gate : public KRunnable {
public:
    Gate() : release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Gate() override { CloseHandle(release); }
    void run(KThread*) override { WaitForSingleObject(release, 10000); }
    HANDLE release;
};

// Lets the gate open from inside the pumping wait, once the posted messages were dispatched.
class PostedCounter {
public:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) {
            ++count;
            SetEvent(reinterpret_cast<HANDLE>(wParam));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static int count;
};
int PostedCounter::count = 0;

// Stores the handle slowly, or keeps it to itself, to show when the new thread may run.
class HandleKeepingThread : public KThread {
public:
    explicit HandleKeepingThread(bool passesToBase) : passesToBase(passesToBase) {}
    void setHandle(HANDLE handle) override {
        Sleep(200);
        ranBeforeStored = probe.ran.load();
        kept = handle;
        if (passesToBase) {
            KThread::setHandle(handle);
        }
    }
    ~HandleKeepingThread() override {
        if (!passesToBase && kept != nullptr) {
            CloseHandle(kept);
        }
    }

    class RunProbe : public KRunnable {
    public:
        std::atomic<bool> ran{false};
        void run(KThread*) override { ran = true; }
    } probe;
    bool passesToBase;
    bool ranBeforeStored = false;
    HANDLE kept = nullptr;
};

} // namespace

TEST(KThread, RunsOnlyOnceItsHandleIsStored) {
    for (const bool passesToBase : {true, false}) {
        HandleKeepingThread thread(passesToBase);
        thread.setRunnable(&thread.probe);
        ASSERT_TRUE(thread.start());
        EXPECT_FALSE(thread.ranBeforeStored) << passesToBase;
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.kept, 5000))
            << "the thread is resumed whatever setHandle did with its handle";
        EXPECT_TRUE(thread.probe.ran);
    }
}

TEST(KThread, WithoutRunnableEndsWithExitCodeZero) {
    HANDLE closedWithTheObject = nullptr;
    {
        KThread thread;
        EXPECT_FALSE(thread.isRunning()) << "never started";
        EXPECT_EQ(nullptr, thread.getHandle());
        ASSERT_TRUE(thread.start());
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.getHandle(), 5000));
        DWORD exitCode = 99;
        EXPECT_TRUE(GetExitCodeThread(thread.getHandle(), &exitCode));
        EXPECT_EQ(0u, exitCode);
        EXPECT_FALSE(thread.isRunning());
        EXPECT_EQ(static_cast<int>(WAIT_OBJECT_0), thread.waitUntilFinished(false));
        EXPECT_EQ(1, thread.waitUntilFinished(true));
        closedWithTheObject = thread.getHandle();
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(closedWithTheObject, &flags)) << "the destructor closes the handle";
}

TEST(KThread, StartClearsTheStopRequest) {
    StopProbe probe;
    KThread thread;
    thread.setRunnable(&probe);
    thread.requestStop();
    EXPECT_FALSE(thread.shouldRun());
    ASSERT_TRUE(thread.start());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.getHandle(), 5000));
    EXPECT_TRUE(probe.sawRun) << "the new thread sees no stop request";
    const HANDLE first = thread.getHandle();

    // A second start closes the first handle and runs the same runnable again.
    probe.sawRun = false;
    ASSERT_TRUE(thread.start());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.getHandle(), 5000));
    EXPECT_TRUE(probe.sawRun);
    DWORD flags = 0;
    if (first != thread.getHandle()) {
        EXPECT_FALSE(GetHandleInformation(first, &flags));
    }
}

TEST(KThread, IsRunningUntilTheWorkEnds) {
    Gate gate;
    KThread thread;
    thread.setRunnable(&gate);
    ASSERT_TRUE(thread.start());
    EXPECT_TRUE(thread.isRunning());
    SetEvent(gate.release);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.getHandle(), 5000));
    EXPECT_FALSE(thread.isRunning());
}

TEST(KThread, PumpingWaitDispatchesMessagesOfTheCallingThread) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &PostedCounter::procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KThreadPumpProbe";
    ASSERT_NE(0, RegisterClassW(&windowClass)) << GetLastError();
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(nullptr, window) << GetLastError();

    Gate gate;
    KThread thread;
    thread.setRunnable(&gate);
    ASSERT_TRUE(thread.start());
    PostedCounter::count = 0;
    // The worker ends only after the window procedure ran inside the wait.
    PostMessageW(window, WM_APP, reinterpret_cast<WPARAM>(gate.release), 0);
    PostQuitMessage(7);
    EXPECT_EQ(1, thread.waitUntilFinished(true));
    EXPECT_EQ(1, PostedCounter::count);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the quit message was consumed";

    DestroyWindow(window);
    UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
}
