#include "FrameworkTest.h"

#include <cstdio>
#include <cwchar>

namespace {

// More generated classes than any test makes.
constexpr int CLASS_NAMES_CHECKED = 64;

BOOL CALLBACK destroyEach(HWND window, LPARAM) {
    DestroyWindow(window);
    return TRUE;
}

} // namespace

void FrameworkTest::SetUp() {
    initFramework(nullptr);
    drainQueue();
}

void FrameworkTest::TearDown() {
    // A failed test may leave windows and classes behind; the next test reuses the class names.
    EnumThreadWindows(GetCurrentThreadId(), destroyEach, 0);
    const int module = static_cast<int>(reinterpret_cast<INT_PTR>(frameworkModule));
    for (int number = 0; number < CLASS_NAMES_CHECKED; ++number) {
        wchar_t name[32];
        swprintf(name, 32, L"NXF_%d_%d", module, number);
        UnregisterClassW(name, frameworkModule);
    }
    drainQueue();
    shutdownFramework();
}

bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

void pumpFor(DWORD milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}

int drainQueue() {
    int exitCode = -1;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            exitCode = static_cast<int>(message.wParam);
        } else {
            DispatchMessageW(&message);
        }
    }
    return exitCode;
}

ParentWindow::ParentWindow(bool shown) {
    window.setVisible(shown);
    window.createWindow(false);
}

ParentWindow::~ParentWindow() {
    if (IsWindow(window.getWindowHandle())) {
        window.destroyWindow();
    }
}

std::string formatMessages(const std::vector<UINT>& messages) {
    std::string text;
    for (const UINT message : messages) {
        char item[16];
        std::snprintf(item, sizeof(item), "0x%04x ", message);
        text += item;
    }
    return text;
}

RECT rectInParent(HWND window) {
    RECT bounds = {};
    GetWindowRect(window, &bounds);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}
