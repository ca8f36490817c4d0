#include "KLabel.h"

#include "KFont.h"

namespace {

constexpr DWORD LABEL_STYLE = WS_CHILD | WS_CLIPSIBLINGS | SS_ENDELLIPSIS;
constexpr int LABEL_WIDTH = 100;
constexpr int LABEL_HEIGHT = 25;

} // namespace

KLabel::KLabel() : KComponent(false) {
    windowClassName.assignStatic(L"STATIC");
    text.assignStatic(L"Label");
    x = 0;
    y = 0;
    width = LABEL_WIDTH;
    height = LABEL_HEIGHT;
    style = LABEL_STYLE;
    extendedStyle = WS_EX_WINDOWEDGE;
}

bool KLabel::createWindow(bool hookCreation) {
    if (parentHandle == nullptr) {
        return false;
    }
    createNativeWindow(this, hookCreation);
    if (windowHandle == nullptr) {
        return false;
    }
    const HFONT fontHandle = font != nullptr ? font->getFontHandle() : nullptr;
    SendMessageW(windowHandle, WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle), TRUE);
    EnableWindow(windowHandle, enabled);
    // The style has no WS_VISIBLE, so a hidden label needs no call at all.
    if (visible) {
        ShowWindow(windowHandle, SW_SHOW);
    }
    return true;
}

KLabel::~KLabel() = default;
