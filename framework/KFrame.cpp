#include "KFrame.h"

namespace {

constexpr DWORD FRAME_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

} // namespace

KFrame::KFrame() {
    text.assignStatic(L"KFrame");
    style = FRAME_STYLE;
}

KFrame::~KFrame() = default;
