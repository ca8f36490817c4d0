#pragma once

#include "foundation/UniqueResource.h"

#include <windows.h>

// A process that owns the shell window while the object lives (installer_test_shell): under Wine no
// process owns one unless a test starts it.
class TestShell {
public:
    TestShell();
    TestShell(const TestShell&) = delete;
    TestShell& operator=(const TestShell&) = delete;
    ~TestShell();

    // True once the helper has declared its window the shell window.
    bool isRunning() const { return running; }
    DWORD processId() const;
    // Asks the helper to go and waits for it; true when it ended in time.
    bool stop();

private:
    UniqueHandle readyEvent;
    UniqueHandle quitEvent;
    UniqueHandle process;
    bool running = false;
};
