#include "KProgressBar.h"

#include <commctrl.h>

namespace {

constexpr DWORD PROGRESS_STYLE = WS_CHILD | WS_CLIPSIBLINGS | PBS_SMOOTH;
constexpr int PROGRESS_WIDTH = 100;
constexpr int PROGRESS_HEIGHT = 20;
constexpr int RANGE_MINIMUM = 0;
constexpr int RANGE_MAXIMUM = 100;

} // namespace

KProgressBar::KProgressBar() : KComponent(false), value(0) {
    windowClassName.assignStatic(L"msctls_progress32");
    x = 0;
    y = 0;
    width = PROGRESS_WIDTH;
    height = PROGRESS_HEIGHT;
    style = PROGRESS_STYLE;
    extendedStyle = WS_EX_WINDOWEDGE;
}

bool KProgressBar::createWindow(bool hookCreation) {
    if (parentHandle == nullptr) {
        return false;
    }
    createNativeWindow(this, hookCreation);
    if (windowHandle == nullptr) {
        return false;
    }
    SendMessageW(windowHandle, PBM_SETRANGE, 0, MAKELPARAM(RANGE_MINIMUM, RANGE_MAXIMUM));
    SendMessageW(windowHandle, PBM_SETPOS, static_cast<WPARAM>(value), 0);
    EnableWindow(windowHandle, enabled);
    if (visible) {
        ShowWindow(windowHandle, SW_SHOW);
    }
    return true;
}

KProgressBar::~KProgressBar() = default;

int KProgressBar::getValue() {
    return value;
}

void KProgressBar::setValue(int newValue) {
    value = newValue;
    if (windowHandle != nullptr) {
        SendMessageW(windowHandle, PBM_SETPOS, static_cast<WPARAM>(value), 0);
    }
}
