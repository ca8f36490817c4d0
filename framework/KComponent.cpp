#include "KComponent.h"

#include "ComponentRegistry.h"
#include "FrameworkCore.h"
#include "KCursor.h"
#include "KFont.h"

#include <cstdlib>

namespace {

// One hooked creation, kept on the stack of the thread that makes it. Creations nest: a component
// can be created inside the hook chain of another creation of the thread (by another CBT hook, or by
// code that such a hook runs), and each ends with its own hook and gives the outer one back.
struct HookedCreation {
    KComponent* componentInCreation; // the creation parameter the hook waits for
    HHOOK creationHookHandle;
    bool creationEnded;    // the hook is removed and the thread has left creationLock for it
    HookedCreation* outer; // in progress on this thread when this one began
};

// The innermost hooked creation that has not ended; changed only by the thread that holds
// creationLock.
HookedCreation* creationInProgress = nullptr;

const LONG_PTR componentProcValue = reinterpret_cast<LONG_PTR>(&KComponent::componentClassProc);

LPCWSTR componentProperty() {
    return MAKEINTATOM(componentAtom);
}

LPCWSTR oldProcProperty() {
    return MAKEINTATOM(oldProcAtom);
}

// Null when the window had componentClassProc itself, which counts as no previous procedure.
WNDPROC previousProcedure(HWND window) {
    const LONG_PTR stored = reinterpret_cast<LONG_PTR>(GetPropW(window, oldProcProperty()));
    return stored == componentProcValue ? nullptr : reinterpret_cast<WNDPROC>(stored);
}

// Removes both properties and gives a subclassed window its own procedure back, which is returned.
WNDPROC unbindWindow(HWND window) {
    RemovePropW(window, componentProperty());
    const WNDPROC previous = previousProcedure(window);
    RemovePropW(window, oldProcProperty());
    if (previous != nullptr) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    return previous;
}

// Removes the creation's hook, gives the outer creation back and leaves creationLock, on the creating
// thread: from the hook once it has bound the window, or after CreateWindowExW when the hook never
// saw it. A nested creation's window passes through the outer creation's hook too, so a creation
// can be ended twice; the second time does nothing.
void endHookedCreation(HookedCreation* creation) {
    if (creation->creationEnded) {
        return;
    }
    if (creation->creationHookHandle != nullptr) {
        UnhookWindowsHookEx(creation->creationHookHandle);
    }
    creation->creationEnded = true;
    creationInProgress = creation->outer;
    LeaveCriticalSection(&creationLock);
}

HFONT fontHandleOf(KFont* font) {
    return font != nullptr ? font->getFontHandle() : nullptr;
}

// Room for the longest class name (256) and a window text of the same length.
constexpr int READ_BUFFER_UNITS = 256;

using WindowStringReader = int(WINAPI*)(HWND, LPWSTR, int);

// Empty when the string cannot be read.
KString readWindowString(HWND window, WindowStringReader reader) {
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc(READ_BUFFER_UNITS * sizeof(wchar_t)));
    if (buffer == nullptr) {
        return KString();
    }
    const int length = reader(window, buffer, READ_BUFFER_UNITS);
    return KString(buffer, KString::ADOPT_BUFFER, length > 0 ? length : 0);
}

} // namespace

KComponent::KComponent(bool ownWindowClass)
    : windowHandle(nullptr), parentHandle(nullptr), style(0), extendedStyle(0), controlId(0),
      x(CW_USEDEFAULT), y(CW_USEDEFAULT), width(CW_USEDEFAULT), height(CW_USEDEFAULT), visible(true),
      enabled(true), classRegistered(false), font(nullptr), cursor(nullptr), windowClass() {
    ComponentRegistry* const registry = ComponentRegistry::instance();
    controlId = registry->countComponent() + 100;
    if (ownWindowClass) {
        windowClassName = registry->generateClassName();
        // The other fields (class style, extra bytes, icons, menu) stay as windowClass() zeroed them.
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = componentClassProc;
        windowClass.hInstance = frameworkModule;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        // A system colour's index plus one paints in that colour, as its brush would.
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = windowClassName.text();
    }
    font = KFont::defaultFont();
}

KComponent::~KComponent() {
    if (windowHandle != nullptr && GetPropW(windowHandle, componentProperty()) == this) {
        unbindWindow(windowHandle);
    }
    if (classRegistered) {
        UnregisterClassW(windowClassName.text(), frameworkModule);
    }
}

void KComponent::onAttach() {}

void KComponent::adoptWindow(HWND window, bool readAttributes) {
    windowHandle = window;
    if (readAttributes) {
        windowClassName = readWindowString(window, GetClassNameW);
        windowClass.cbSize = sizeof(windowClass);
        GetClassInfoExW(frameworkModule, windowClassName.text(), &windowClass);
        controlId = static_cast<int>(GetWindowLongPtrW(window, GWLP_ID));
        RECT bounds = {};
        GetWindowRect(window, &bounds);
        x = bounds.left;
        y = bounds.top;
        width = bounds.right - bounds.left;
        height = bounds.bottom - bounds.top;
        visible = IsWindowVisible(window) != FALSE;
        enabled = IsWindowEnabled(window) != FALSE;
        style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
        extendedStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
        parentHandle = GetParent(window);
        text = readWindowString(window, GetWindowTextW);
    }
    bindWindow(window, this);
    onAttach();
}

void KComponent::setCursor(KCursor* newCursor) {
    cursor = newCursor;
    if (windowHandle != nullptr) {
        const HCURSOR handle = cursor != nullptr ? cursor->getCursorHandle() : nullptr;
        SetClassLongPtrW(windowHandle, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(handle));
    }
}

KString KComponent::getWindowClassName() {
    return windowClassName;
}

bool KComponent::createWindow(bool hookCreation) {
    if (RegisterClassExW(&windowClass) == 0) {
        return false;
    }
    classRegistered = true;
    createNativeWindow(this, hookCreation);
    if (windowHandle == nullptr) {
        return false;
    }
    SendMessageW(windowHandle, WM_SETFONT, reinterpret_cast<WPARAM>(fontHandleOf(font)), TRUE);
    EnableWindow(windowHandle, enabled);
    ShowWindow(windowHandle, visible ? SW_SHOW : SW_HIDE);
    if (cursor != nullptr) {
        SetClassLongPtrW(windowHandle, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor->getCursorHandle()));
    }
    return true;
}

LRESULT KComponent::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = previousProcedure(window);
    if (previous != nullptr) {
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool KComponent::handleReflectedMessage(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

int KComponent::getControlId() {
    return controlId;
}

void KComponent::setFont(KFont* newFont) {
    font = newFont;
    if (windowHandle != nullptr) {
        SendMessageW(windowHandle, WM_SETFONT, reinterpret_cast<WPARAM>(fontHandleOf(font)), TRUE);
    }
}

KFont* KComponent::getFont() {
    return font;
}

KString KComponent::getText() {
    return text;
}

void KComponent::setText(const KString& newText) {
    text = newText;
    if (windowHandle != nullptr) {
        SetWindowTextW(windowHandle, text.text());
    }
}

void KComponent::setWindowHandle(HWND window) {
    windowHandle = window;
}

HWND KComponent::getWindowHandle() {
    return windowHandle;
}

void KComponent::setParentHandle(HWND parent) {
    parentHandle = parent;
    if (windowHandle != nullptr) {
        SetParent(windowHandle, parentHandle);
    }
}

HWND KComponent::getParentHandle() {
    return parentHandle;
}

DWORD KComponent::getStyle() {
    return style;
}

void KComponent::setStyle(DWORD newStyle) {
    style = newStyle;
    if (windowHandle != nullptr) {
        SetWindowLongW(windowHandle, GWL_STYLE, static_cast<LONG>(style));
    }
}

DWORD KComponent::getExtendedStyle() {
    return extendedStyle;
}

void KComponent::setExtendedStyle(DWORD newExtendedStyle) {
    extendedStyle = newExtendedStyle;
    if (windowHandle != nullptr) {
        SetWindowLongW(windowHandle, GWL_EXSTYLE, static_cast<LONG>(extendedStyle));
    }
}

int KComponent::getX() {
    return x;
}

int KComponent::getY() {
    return y;
}

int KComponent::getWidth() {
    return width;
}

int KComponent::getHeight() {
    return height;
}

void KComponent::setSize(int newWidth, int newHeight) {
    width = newWidth;
    height = newHeight;
    if (windowHandle != nullptr) {
        SetWindowPos(windowHandle, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
}

void KComponent::setPosition(int newX, int newY) {
    x = newX;
    y = newY;
    if (windowHandle != nullptr) {
        SetWindowPos(windowHandle, nullptr, x, y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
}

void KComponent::setVisible(bool show) {
    visible = show;
    if (windowHandle != nullptr) {
        ShowWindow(windowHandle, visible ? SW_SHOW : SW_HIDE);
    }
}

bool KComponent::isVisible() {
    if (windowHandle == nullptr) {
        return false;
    }
    visible = IsWindowVisible(windowHandle) == TRUE;
    return visible;
}

bool KComponent::isEnabled() {
    if (windowHandle != nullptr) {
        enabled = IsWindowEnabled(windowHandle) == TRUE;
    }
    return enabled;
}

void KComponent::setEnabled(bool enable) {
    enabled = enable;
    if (windowHandle != nullptr) {
        EnableWindow(windowHandle, enabled);
    }
}

void KComponent::bringToTop() {
    if (windowHandle != nullptr) {
        BringWindowToTop(windowHandle);
    }
}

void KComponent::takeFocus() {
    if (windowHandle != nullptr) {
        SetFocus(windowHandle);
    }
}

void KComponent::redraw() {
    if (windowHandle != nullptr) {
        InvalidateRect(windowHandle, nullptr, TRUE);
        UpdateWindow(windowHandle);
    }
}

KComponent* KComponent::componentOf(HWND window) {
    return window != nullptr ? static_cast<KComponent*>(GetPropW(window, componentProperty())) : nullptr;
}

void KComponent::bindWindow(HWND window, KComponent* component) {
    SetPropW(window, componentProperty(), component);
    const LONG_PTR current = GetWindowLongPtrW(window, GWLP_WNDPROC);
    // A window bound already keeps the procedure it had before its first binding; recording
    // componentClassProc over it would lose a subclassed control's own procedure for good.
    if (current == componentProcValue && GetPropW(window, oldProcProperty()) != nullptr) {
        return;
    }
    SetPropW(window, oldProcProperty(), reinterpret_cast<HANDLE>(current));
    if (current != componentProcValue) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, componentProcValue);
    }
}

HWND KComponent::createNativeWindow(KComponent* component, bool hookCreation) {
    const KString className = component->getWindowClassName();
    const KString windowText = component->getText();
    const DWORD exStyle = component->getExtendedStyle();
    const DWORD windowStyle = component->getStyle();
    const int left = component->getX();
    const int top = component->getY();
    const int outerWidth = component->getWidth();
    const int outerHeight = component->getHeight();
    const HWND parent = component->getParentHandle();
    const HMENU identifier = reinterpret_cast<HMENU>(static_cast<INT_PTR>(component->getControlId()));

    HookedCreation creation = {component, nullptr, false, nullptr};
    HWND handleBefore = nullptr;
    if (hookCreation) {
        EnterCriticalSection(&creationLock);
        creation.outer = creationInProgress;
        creationInProgress = &creation;
        // Cleared so that the first message gives the component its new window, also when it still
        // holds an earlier one that has been destroyed.
        handleBefore = component->getWindowHandle();
        component->setWindowHandle(nullptr);
        creation.creationHookHandle = SetWindowsHookExW(WH_CBT, creationHook, nullptr, GetCurrentThreadId());
    }
    // Without the hook, messages sent during creation find no component and get the default
    // procedure; the hook recognises its creation by the component as the creation parameter.
    const HWND window =
        CreateWindowExW(exStyle, className.text(), windowText.text(), windowStyle, left, top, outerWidth,
                        outerHeight, parent, identifier, frameworkModule, hookCreation ? component : nullptr);
    if (!hookCreation) {
        if (window != nullptr) {
            bindWindow(window, component);
        }
        component->setWindowHandle(window);
        return window;
    }
    // A creation that failed before the hook saw its window leaves the hook in place; a later
    // creation with the same parameter would then be bound to this (possibly gone) component.
    endHookedCreation(&creation);
    // A window that was bound but then refused creation is gone; its handle must not stay behind.
    if (window == nullptr) {
        component->setWindowHandle(handleBefore);
    }
    return window;
}

LRESULT CALLBACK KComponent::componentClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    KComponent* const component = componentOf(window);
    if (component == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (component->getWindowHandle() == nullptr) {
        component->setWindowHandle(window);
    }
    if (message == WM_NCDESTROY) {
        // The component is not told; its windowHandle keeps the old value.
        const WNDPROC previous = unbindWindow(window);
        if (previous != nullptr) {
            return CallWindowProcW(previous, window, message, wParam, lParam);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return component->handleMessage(window, message, wParam, lParam);
}

LRESULT CALLBACK KComponent::creationHook(int code, WPARAM wParam, LPARAM lParam) {
    // Kept here: the hooks that follow may begin and end creations of their own. No hook handle is
    // passed on: the system ignores it, and a hook cannot tell which nested creation installed it.
    HookedCreation* const creation = creationInProgress;
    if (code == HCBT_CREATEWND && lParam != 0 && creation != nullptr) {
        const CREATESTRUCTW* const parameters = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        if (parameters != nullptr && parameters->lpCreateParams == creation->componentInCreation) {
            bindWindow(reinterpret_cast<HWND>(wParam), creation->componentInCreation);
            const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
            // Left before the window's first message: a creation handler that waits on another
            // thread, which may itself be creating a component, must not find the lock held.
            endHookedCreation(creation);
            return result;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
