#include "KWindow.h"

#include "ComponentRegistry.h"
#include "KIcon.h"
#include "KMenuItem.h"
#include "KTimer.h"
#include "PointerList.h"

namespace {

constexpr DWORD WINDOW_STYLE = WS_POPUP;
constexpr DWORD WINDOW_EXTENDED_STYLE = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;
constexpr UINT WINDOW_CLASS_STYLE = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
constexpr int WINDOW_WIDTH = 400;
constexpr int WINDOW_HEIGHT = 200;

// Sends a key as a focused control would receive it from the keyboard.
void sendKey(HWND target, WPARAM key) {
    SendMessageW(target, WM_KEYDOWN, key, 0);
    SendMessageW(target, WM_KEYUP, key, 0);
    SendMessageW(target, WM_CHAR, key, 0);
}

} // namespace

KWindow::KWindow() : KComponent(true), lastFocused(nullptr) {
    text.assignStatic(L"KWindow");
    style = WINDOW_STYLE;
    extendedStyle = WINDOW_EXTENDED_STYLE;
    width = WINDOW_WIDTH;
    height = WINDOW_HEIGHT;
    visible = false;
    controlId = 0;
    windowClass.style = WINDOW_CLASS_STYLE;
}

KWindow::~KWindow() = default;

LRESULT KWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        onWindowDestroyed();
        return 0;
    case WM_MOVE:
    case WM_SIZE: {
        RECT bounds = {};
        GetWindowRect(window, &bounds);
        if (message == WM_MOVE) {
            x = bounds.left;
            y = bounds.top;
            onMove();
        } else {
            width = bounds.right - bounds.left;
            height = bounds.bottom - bounds.top;
            onResize();
        }
        break;
    }
    case WM_ACTIVATE:
        // Deactivated and not minimised: remember the focus to give it back on reactivation.
        if (wParam == 0) {
            lastFocused = GetFocus();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        SetFocus(lastFocused != nullptr ? lastFocused : GetNextDlgTabItem(window, nullptr, FALSE));
        return 0;
    case WM_CLOSE:
        onCloseRequest();
        return 0;
    case WM_DRAWITEM:
        // wParam 0 is a menu item, which has no control to forward to.
        if (wParam != 0 && lParam != 0) {
            const HWND item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
            return forwardToControl(item, window, message, wParam, lParam);
        }
        break;
    case WM_MEASUREITEM:
        if (wParam != 0 && lParam != 0) {
            const UINT itemId = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID;
            return forwardToControl(GetDlgItem(window, static_cast<int>(itemId)), window, message, wParam,
                                    lParam);
        }
        break;
    case WM_COMPAREITEM:
        if (lParam != 0) {
            const HWND item = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
            return forwardToControl(item, window, message, wParam, lParam);
        }
        break;
    case WM_NOTIFY:
        if (lParam != 0) {
            const HWND from = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
            return forwardToControl(from, window, message, wParam, lParam);
        }
        break;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return forwardToControl(reinterpret_cast<HWND>(lParam), window, message, wParam, lParam);
    case WM_COMMAND:
        return handleCommand(window, wParam, lParam);
    case WM_TIMER:
        return handleTimer(window, wParam, lParam);
    default:
        break;
    }
    return KComponent::handleMessage(window, message, wParam, lParam);
}

LRESULT KWindow::forwardToControl(HWND control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    KComponent* const component = componentOf(control);
    if (component != nullptr) {
        LRESULT result = 0;
        if (component->handleReflectedMessage(message, wParam, lParam, &result)) {
            return result;
        }
    }
    return KComponent::handleMessage(window, message, wParam, lParam);
}

LRESULT KWindow::handleCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    if (lParam != 0) {
        return forwardToControl(reinterpret_cast<HWND>(lParam), window, WM_COMMAND, wParam, lParam);
    }
    const int identifier = LOWORD(wParam);
    if (HIWORD(wParam) == 0) {
        PointerList* const menuItems = ComponentRegistry::instance()->getMenuItems();
        if (menuItems != nullptr) {
            void* const item = menuItems->getAt(identifier - ComponentRegistry::FIRST_MENU_COMMAND);
            if (item != nullptr) {
                static_cast<KMenuItem*>(item)->onMenuItemPress();
                return 0;
            }
        }
        return KComponent::handleMessage(window, WM_COMMAND, wParam, lParam);
    }
    // An accelerator: Enter and Escape reach the focused control as typed keys.
    WPARAM key = 0;
    if (identifier == IDOK) {
        key = VK_RETURN;
    } else if (identifier == IDCANCEL) {
        key = VK_ESCAPE;
    } else {
        return KComponent::handleMessage(window, WM_COMMAND, wParam, lParam);
    }
    sendKey(GetFocus(), key);
    return 0;
}

LRESULT KWindow::handleTimer(HWND window, WPARAM wParam, LPARAM lParam) {
    PointerList* const timers = ComponentRegistry::instance()->getTimers();
    if (timers != nullptr) {
        void* const item = timers->getAt(static_cast<int>(wParam) - ComponentRegistry::FIRST_TIMER_ID);
        if (item != nullptr) {
            static_cast<KTimer*>(item)->onTimer();
            return 0;
        }
    }
    return KComponent::handleMessage(window, WM_TIMER, wParam, lParam);
}

BOOL KWindow::flashCaption() {
    return FlashWindow(windowHandle, TRUE);
}

ULONG_PTR KWindow::setWindowIcon(KIcon* icon) {
    const HICON handle = icon != nullptr ? icon->getIconHandle() : nullptr;
    return SetClassLongPtrW(windowHandle, GCLP_HICON, reinterpret_cast<LONG_PTR>(handle));
}

bool KWindow::destroyWindow() {
    return DestroyWindow(windowHandle) != FALSE;
}

void KWindow::onCloseRequest() {
    destroyWindow();
}

void KWindow::onWindowDestroyed() {
    PostQuitMessage(0);
}

void KWindow::centreOnScreen() {
    // Integer division truncates towards zero, so a window larger than the screen goes negative.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    setPosition(left, top);
}

bool KWindow::addChild(KComponent* component, bool hookCreation) {
    if (component == nullptr || windowHandle == nullptr) {
        return false;
    }
    component->setParentHandle(windowHandle);
    return component->createWindow(hookCreation);
}

bool KWindow::setClientSize(int clientWidth, int clientHeight) {
    if (windowHandle == nullptr) {
        return false;
    }
    RECT bounds = {};
    GetClientRect(windowHandle, &bounds);
    bounds.right = bounds.left + clientWidth;
    bounds.bottom = bounds.top + clientHeight;
    // The stored style decides the frame; the extended style is not considered.
    AdjustWindowRect(&bounds, style, GetMenu(windowHandle) != nullptr);
    setSize(bounds.right - bounds.left, bounds.bottom - bounds.top);
    return true;
}

bool KWindow::getClientSize(int* clientWidth, int* clientHeight) {
    if (windowHandle == nullptr) {
        return false;
    }
    RECT client = {};
    GetClientRect(windowHandle, &client);
    if (clientWidth != nullptr) {
        *clientWidth = client.right - client.left;
    }
    if (clientHeight != nullptr) {
        *clientHeight = client.bottom - client.top;
    }
    return true;
}

void KWindow::onMove() {}

void KWindow::onResize() {}
