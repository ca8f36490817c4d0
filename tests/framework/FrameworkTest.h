#pragma once

#include "framework/FrameworkCore.h"
#include "framework/KWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Each test runs inside its own initFramework/shutdownFramework, so the registry (class names and
// control ids) starts afresh and no test depends on another's windows, classes or queued messages.
class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Dispatches the thread's messages until the condition holds or the time is up; true if it held.
bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// Dispatches the thread's messages for the given time.
void pumpFor(DWORD milliseconds);
// Removes everything queued for the thread, WM_QUIT included; the last WM_QUIT's exit code or -1.
int drainQueue();

// A top-level KWindow for children to live in, destroyed before its object so that its class is
// unregistered.
class ParentWindow {
public:
    explicit ParentWindow(bool shown);
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    ~ParentWindow();

    HWND handle() { return window.getWindowHandle(); }

    KWindow window;
};

// "0x0081 0x0083 ..." for assertion messages.
std::string formatMessages(const std::vector<UINT>& messages);
// Where a window lies in its parent's client coordinates.
RECT rectInParent(HWND window);
