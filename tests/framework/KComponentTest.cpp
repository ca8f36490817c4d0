#include "FrameworkTest.h"
#include "TestResources.h"

#include "foundation/UniqueResource.h"
#include "framework/FrameworkCore.h"
#include "framework/KComponent.h"
#include "framework/KCursor.h"
#include "framework/KFont.h"
#include "framework/KFrame.h"
#include "framework/KLabel.h"
#include "framework/KProgressBar.h"
#include "framework/KWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

class KComponentTest : public FrameworkTest {};

const LONG_PTR COMPONENT_PROC = reinterpret_cast<LONG_PTR>(&KComponent::componentClassProc);

bool contains(const std::vector<UINT>& messages, UINT message) {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

// A child component on a class of its own, created by KComponent's createWindow.
class RecordingComponent : public KComponent {
public:
    RecordingComponent() : KComponent(true) {}
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(message);
        if (message == WM_SETFONT) {
            fontSent = reinterpret_cast<HFONT>(wParam);
        }
        return KComponent::handleMessage(window, message, wParam, lParam);
    }
    std::vector<UINT> messages;
    HFONT fontSent = nullptr;
};

class RecordingWindow : public KWindow {
public:
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(message);
        if (refuseCreation && message == WM_NCCREATE) {
            return FALSE;
        }
        return KWindow::handleMessage(window, message, wParam, lParam);
    }
    std::vector<UINT> messages;
    bool refuseCreation = false;
};

class AdoptingComponent : public KComponent {
public:
    AdoptingComponent() : KComponent(false) {}
    void onAttach() override { ++attachCount; }
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(message);
        return KComponent::handleMessage(window, message, wParam, lParam);
    }
    int attachCount = 0;
    std::vector<UINT> messages;
};

// A class with a procedure of its own, standing in for a system control; it records what it finds
// when its window is finally destroyed.
constexpr wchar_t ORIGINAL_CLASS[] = L"PellmontTestOriginal";
constexpr UINT ORIGINAL_PING = WM_USER + 1;
constexpr LRESULT ORIGINAL_PONG = 0x77;

struct OriginalAtDestroy {
    bool seen = false;
    bool ownProcedure = false;
    bool componentProperty = false;
    bool oldProcProperty = false;
} originalAtDestroy;

LRESULT CALLBACK originalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ORIGINAL_PING) {
        return ORIGINAL_PONG;
    }
    if (message == WM_NCDESTROY) {
        originalAtDestroy.seen = true;
        originalAtDestroy.ownProcedure =
            GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&originalProc);
        originalAtDestroy.componentProperty = GetPropW(window, MAKEINTATOM(componentAtom)) != nullptr;
        originalAtDestroy.oldProcProperty = GetPropW(window, MAKEINTATOM(oldProcAtom)) != nullptr;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class OriginalClass {
public:
    OriginalClass() {
        WNDCLASSEXW description = {};
        description.cbSize = sizeof(description);
        description.lpfnWndProc = originalProc;
        description.hInstance = GetModuleHandleW(nullptr);
        description.lpszClassName = ORIGINAL_CLASS;
        registered = RegisterClassExW(&description) != 0;
    }
    ~OriginalClass() { UnregisterClassW(ORIGINAL_CLASS, GetModuleHandleW(nullptr)); }
    bool registered;
};

// The other side of a creation handler that waits on another thread: that thread makes a window to
// receive messages, waits for the go, creates a component with the hook and only then serves its
// messages, until it is told to stop.
struct OtherCreator {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND receiver = nullptr;
    KWindow component; // made here, created on the other thread
    bool created = false;
    ~OtherCreator() {
        CloseHandle(ready);
        CloseHandle(go);
        CloseHandle(stop);
    }
};

DWORD WINAPI runOtherCreator(void* parameter) {
    OtherCreator& other = *static_cast<OtherCreator*>(parameter);
    other.receiver =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetEvent(other.ready);
    if (WaitForSingleObject(other.go, 5000) == WAIT_OBJECT_0) {
        other.created = other.component.createWindow(true);
    }
    while (MsgWaitForMultipleObjects(1, &other.stop, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    if (other.created) {
        other.component.destroyWindow();
    }
    DestroyWindow(other.receiver);
    return 0;
}

// Lets the other thread start its creation, then sends to it from its own WM_CREATE.
class SendingWindow : public KWindow {
public:
    explicit SendingWindow(OtherCreator& other) : other(other) {}
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) {
            SetEvent(other.go);
            DWORD_PTR result = 0;
            answered = SendMessageTimeoutW(other.receiver, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &result) != 0;
        }
        return KWindow::handleMessage(window, message, wParam, lParam);
    }
    OtherCreator& other;
    bool answered = false;
};

struct WindowsHookTraits {
    using Type = HHOOK;
    static Type invalid() { return nullptr; }
    static void close(Type hook) { UnhookWindowsHookEx(hook); }
};
using UniqueWindowsHook = UniqueResource<WindowsHookTraits>;

DWORD WINAPI tryCreationLock(void*) {
    if (!TryEnterCriticalSection(&creationLock)) {
        return 0;
    }
    LeaveCriticalSection(&creationLock);
    return 1;
}

// Whether another thread could begin a hooked creation now.
bool creationLockIsFree() {
    const UniqueHandle thread(CreateThread(nullptr, 0, tryCreationLock, nullptr, 0, nullptr));
    DWORD taken = 0;
    return thread && WaitForSingleObject(thread.get(), 5000) == WAIT_OBJECT_0 &&
           GetExitCodeThread(thread.get(), &taken) && taken == 1;
}

// Another CBT hook of the thread. Installed before the outer creation's hook, it is called after it:
// when it sees the outer window being made it creates the inner component with the hook, inside the
// outer creation's hook chain, and then asks whether the lock is free.
struct NestedCreation {
    KComponent* outer = nullptr;
    KComponent* inner = nullptr; // cleared once created
    bool innerCreated = false;
    bool lockFreeInOuterChain = false;
} nested;

LRESULT CALLBACK creatingHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && nested.inner != nullptr &&
        reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpCreateParams == nested.outer) {
        KComponent* const inner = nested.inner;
        nested.inner = nullptr;
        nested.innerCreated = inner->createWindow(true);
        nested.lockFreeInOuterChain = creationLockIsFree();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(KComponentTest, ControlIdsCountEveryComponentWhateverItsClass) {
    KLabel first;
    KWindow window;
    KProgressBar bar;
    { KFrame gone; }
    KLabel last;
    EXPECT_EQ(101, first.getControlId());
    EXPECT_EQ(0, window.getControlId()); // draws 102 all the same
    EXPECT_EQ(103, bar.getControlId());
    EXPECT_EQ(105, last.getControlId());
}

TEST_F(KComponentTest, ConfiguredComponentGetsExactlyItsStoredAttributes) {
    ParentWindow parent(false);
    ASSERT_NE(nullptr, parent.handle());
    const HFONT fontHandle =
        CreateFontW(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    KFont font(fontHandle, true);
    KCursor cursor;
    cursor.loadFromResource(TEST_CURSOR);
    ASSERT_NE(nullptr, cursor.getCursorHandle());

    RecordingComponent child;
    child.setText(KString(L"Configured", KString::REFER_STATIC));
    child.setStyle(WS_CHILD | WS_BORDER | WS_TABSTOP);
    child.setExtendedStyle(WS_EX_CLIENTEDGE);
    child.setPosition(7, 9);
    child.setSize(120, 40);
    child.setParentHandle(parent.handle());
    child.setFont(&font);
    child.setEnabled(false);
    child.setCursor(&cursor);
    EXPECT_EQ(nullptr, child.getWindowHandle());
    ASSERT_TRUE(child.createWindow(false));

    const HWND window = child.getWindowHandle();
    wchar_t windowText[64] = {};
    GetWindowTextW(window, windowText, 64);
    EXPECT_STREQ(L"Configured", windowText);
    EXPECT_EQ(WS_CHILD | WS_BORDER | WS_TABSTOP | WS_VISIBLE | WS_DISABLED,
              static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_CLIENTEDGE), static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    const RECT bounds = rectInParent(window);
    EXPECT_EQ(7, bounds.left);
    EXPECT_EQ(9, bounds.top);
    EXPECT_EQ(120, bounds.right - bounds.left);
    EXPECT_EQ(40, bounds.bottom - bounds.top);
    EXPECT_EQ(parent.handle(), GetParent(window));
    EXPECT_EQ(child.getControlId(), GetDlgCtrlID(window));
    EXPECT_EQ(fontHandle, child.fontSent);
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(cursor.getCursorHandle()), GetClassLongPtrW(window, GCLP_HCURSOR));
    EXPECT_EQ(COMPONENT_PROC, GetWindowLongPtrW(window, GWLP_WNDPROC)); // own class: not subclassed
    EXPECT_EQ(&child, KComponent::componentOf(window));
    DestroyWindow(window);
}

TEST_F(KComponentTest, SecondCreateWindowFailsOnTheRegisteredClass) {
    ParentWindow parent(false);
    RecordingComponent child;
    child.setStyle(WS_CHILD);
    child.setParentHandle(parent.handle());
    ASSERT_TRUE(child.createWindow(false));
    const HWND first = child.getWindowHandle();
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(child.createWindow(false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ(first, child.getWindowHandle());
    DestroyWindow(first);
}

TEST_F(KComponentTest, CreationMessagesReachTheComponentOnlyWithTheHook) {
    RecordingWindow unhooked;
    ASSERT_TRUE(unhooked.createWindow(false));
    SCOPED_TRACE("without hook: " + formatMessages(unhooked.messages));
    ASSERT_FALSE(unhooked.messages.empty());
    EXPECT_EQ(static_cast<UINT>(WM_SETFONT), unhooked.messages.front());
    for (const UINT creation : {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}) {
        EXPECT_FALSE(contains(unhooked.messages, creation)) << creation;
    }

    RecordingWindow hooked;
    ASSERT_TRUE(hooked.createWindow(true));
    SCOPED_TRACE("with hook: " + formatMessages(hooked.messages));
    std::vector<UINT> creation;
    for (const UINT message : hooked.messages) {
        if (message == WM_NCCREATE || message == WM_NCCALCSIZE || message == WM_CREATE) {
            creation.push_back(message);
        }
    }
    const std::vector<UINT> expected = {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE};
    EXPECT_EQ(expected, creation);
    EXPECT_NE(nullptr, hooked.getWindowHandle());
    EXPECT_EQ(&hooked, KComponent::componentOf(hooked.getWindowHandle()));
    unhooked.destroyWindow();
    hooked.destroyWindow();
}

TEST_F(KComponentTest, CreationHandlerCanWaitOnAThreadThatIsCreatingToo) {
    OtherCreator other;
    const HANDLE thread = CreateThread(nullptr, 0, runOtherCreator, &other, 0, nullptr);
    ASSERT_NE(nullptr, thread) << "error " << GetLastError();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(other.ready, 5000));
    SendingWindow window(other);
    EXPECT_TRUE(window.createWindow(true));
    EXPECT_TRUE(window.answered) << "the other thread did not answer while creating its own component";
    SetEvent(other.stop);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    CloseHandle(thread);
    EXPECT_TRUE(other.created);
    window.destroyWindow();
}

TEST_F(KComponentTest, CreationInsideAnotherCreationsHookChainEndsEachOnce) {
    RecordingWindow alone;
    ASSERT_TRUE(alone.createWindow(true));
    RecordingWindow outer;
    RecordingWindow inner;
    nested = NestedCreation{&outer, &inner};
    {
        const UniqueWindowsHook hook(SetWindowsHookExW(WH_CBT, creatingHook, nullptr, GetCurrentThreadId()));
        ASSERT_TRUE(hook) << "error " << GetLastError();
        EXPECT_TRUE(outer.createWindow(true));
    }
    EXPECT_TRUE(nested.innerCreated);
    // The outer creation's hook has not returned yet: another thread must still wait.
    EXPECT_FALSE(nested.lockFreeInOuterChain) << "the inner creation left the outer one's hold on the lock";
    EXPECT_TRUE(creationLockIsFree()) << "a creation kept the lock, and with it its hook";
    for (RecordingWindow* const window : {&outer, &inner}) {
        SCOPED_TRACE(window == &outer ? "outer" : "inner");
        const HWND handle = window->getWindowHandle();
        ASSERT_NE(nullptr, handle);
        EXPECT_EQ(window, KComponent::componentOf(handle));
        EXPECT_EQ(alone.messages, window->messages) << "alone: " << formatMessages(alone.messages)
                                                    << "\nnested: " << formatMessages(window->messages);
        window->destroyWindow();
    }
    alone.destroyWindow();
}

TEST_F(KComponentTest, FailedHookedCreationLeavesNoHookBehind) {
    const HWND gone =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, gone);
    DestroyWindow(gone);

    KLabel label;
    label.setParentHandle(gone);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(label.createWindow(true));
    EXPECT_EQ(nullptr, label.getWindowHandle()) << "error " << GetLastError();

    // A later window with the same creation parameter must not be bound to the label.
    const HWND later =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, &label);
    ASSERT_NE(nullptr, later) << "error " << GetLastError();
    EXPECT_EQ(nullptr, KComponent::componentOf(later));
    EXPECT_NE(COMPONENT_PROC, GetWindowLongPtrW(later, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, label.getWindowHandle());
    DestroyWindow(later);
}

TEST_F(KComponentTest, RefusedHookedCreationLeavesNoHandle) {
    RecordingWindow window;
    window.refuseCreation = true;
    EXPECT_FALSE(window.createWindow(true));
    EXPECT_TRUE(contains(window.messages, WM_NCCREATE)) << formatMessages(window.messages);
    EXPECT_EQ(nullptr, window.getWindowHandle());
}

TEST_F(KComponentTest, RecreatedComponentHoldsItsNewWindow) {
    for (const bool hook : {false, true}) {
        SCOPED_TRACE(hook ? "with hook" : "without hook");
        ParentWindow parent(true);
        KLabel label;
        ASSERT_TRUE(parent.window.addChild(&label, hook));
        ASSERT_TRUE(DestroyWindow(label.getWindowHandle())) << "error " << GetLastError();
        ASSERT_TRUE(label.createWindow(hook));
        const HWND live = FindWindowExW(parent.handle(), nullptr, L"STATIC", nullptr);
        ASSERT_NE(nullptr, live);
        EXPECT_EQ(live, label.getWindowHandle());
        EXPECT_EQ(&label, KComponent::componentOf(live));
        label.setText(KString(L"Again", KString::REFER_STATIC));
        wchar_t text[16] = {};
        GetWindowTextW(live, text, 16);
        EXPECT_STREQ(L"Again", text);
    }
}

TEST_F(KComponentTest, AdoptedControlIsSubclassedAndGetsItsProcedureBack) {
    OriginalClass originalClass;
    ASSERT_TRUE(originalClass.registered) << "error " << GetLastError();
    ParentWindow parent(true);
    const HWND control =
        CreateWindowExW(0, ORIGINAL_CLASS, L"Adopted", WS_CHILD | WS_VISIBLE, 3, 4, 50, 20, parent.handle(),
                        reinterpret_cast<HMENU>(42), GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, control);

    AdoptingComponent component;
    component.adoptWindow(control, true);
    EXPECT_EQ(1, component.attachCount);
    EXPECT_STREQ(ORIGINAL_CLASS, component.getWindowClassName().text());
    EXPECT_STREQ(L"Adopted", component.getText().text());
    EXPECT_EQ(42, component.getControlId());
    EXPECT_EQ(parent.handle(), component.getParentHandle());
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE), component.getStyle() & (WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(50, component.getWidth());
    EXPECT_EQ(20, component.getHeight());
    EXPECT_TRUE(component.isVisible());
    EXPECT_EQ(COMPONENT_PROC, GetWindowLongPtrW(control, GWLP_WNDPROC));
    EXPECT_EQ(&component, KComponent::componentOf(control));

    // Messages pass through the component to the control's own procedure.
    EXPECT_EQ(ORIGINAL_PONG, SendMessageW(control, ORIGINAL_PING, 0, 0));
    EXPECT_TRUE(contains(component.messages, ORIGINAL_PING));

    originalAtDestroy = OriginalAtDestroy();
    DestroyWindow(control);
    EXPECT_TRUE(originalAtDestroy.seen);
    EXPECT_TRUE(originalAtDestroy.ownProcedure);
    EXPECT_FALSE(originalAtDestroy.componentProperty);
    EXPECT_FALSE(originalAtDestroy.oldProcProperty);
    EXPECT_FALSE(contains(component.messages, WM_NCDESTROY));
    EXPECT_EQ(control, component.getWindowHandle());
}

// A system control keeps its behaviour while adopted, also when adopted twice, and a component that
// goes before its window leaves the window as it found it.
TEST_F(KComponentTest, AdoptedSystemControlOutlivingItsComponent) {
    ParentWindow parent(false);
    const HWND button = CreateWindowExW(0, L"BUTTON", L"Push", WS_CHILD | BS_CHECKBOX, 0, 0, 80, 20,
                                        parent.handle(), nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, button);
    const LONG_PTR ownProc = GetWindowLongPtrW(button, GWLP_WNDPROC);
    {
        AdoptingComponent component;
        component.adoptWindow(button, true);
        component.adoptWindow(button, false);
        EXPECT_STREQ(L"Button", component.getWindowClassName().text());
        EXPECT_EQ(COMPONENT_PROC, GetWindowLongPtrW(button, GWLP_WNDPROC));
        SendMessageW(button, BM_SETCHECK, BST_CHECKED, 0);
        EXPECT_TRUE(contains(component.messages, BM_SETCHECK));
        EXPECT_EQ(BST_CHECKED, SendMessageW(button, BM_GETCHECK, 0, 0));
    }
    EXPECT_EQ(ownProc, GetWindowLongPtrW(button, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, GetPropW(button, MAKEINTATOM(componentAtom)));
    EXPECT_EQ(nullptr, GetPropW(button, MAKEINTATOM(oldProcAtom)));
    SendMessageW(button, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(button, BM_GETCHECK, 0, 0));
    DestroyWindow(button);
}

TEST_F(KComponentTest, VisibleAndEnabledWithoutAWindow) {
    KLabel label;
    EXPECT_FALSE(label.isVisible());
    EXPECT_TRUE(label.isEnabled());
    label.setEnabled(false);
    EXPECT_FALSE(label.isEnabled());

    // isVisible did not clear the stored flag: the label is shown once created.
    ParentWindow parent(true);
    ASSERT_TRUE(parent.window.addChild(&label, false));
    EXPECT_TRUE(IsWindowVisible(label.getWindowHandle()));
    EXPECT_TRUE(label.isVisible());
    EXPECT_FALSE(IsWindowEnabled(label.getWindowHandle()));
    EnableWindow(label.getWindowHandle(), TRUE);
    EXPECT_TRUE(label.isEnabled());
}
