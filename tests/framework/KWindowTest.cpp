#include "FrameworkTest.h"
#include "TestResources.h"

#include "framework/ComponentRegistry.h"
#include "framework/KFrame.h"
#include "framework/KIcon.h"
#include "framework/KLabel.h"
#include "framework/KMenuItem.h"
#include "framework/KTimer.h"
#include "framework/KWindow.h"
#include "framework/PointerList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class KWindowTest : public FrameworkTest {};

constexpr DWORD INSTALLER_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;

// A label that records what reaches it and, when asked, handles forwarded notifications.
class RecordingLabel : public KLabel {
public:
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR) {
            keys.push_back({message, wParam});
        }
        return KLabel::handleMessage(window, message, wParam, lParam);
    }
    bool handleReflectedMessage(UINT message, WPARAM, LPARAM, LRESULT* result) override {
        reflected.push_back(message);
        if (!handles) {
            return false;
        }
        *result = REFLECTED_RESULT;
        return true;
    }
    static constexpr LRESULT REFLECTED_RESULT = 0x55;
    struct Key {
        UINT message;
        WPARAM key;
        bool operator==(const Key& other) const { return message == other.message && key == other.key; }
    };
    std::vector<Key> keys;
    std::vector<UINT> reflected;
    bool handles = true;
};

class CountingMenuItem : public KMenuItem {
public:
    void onMenuItemPress() override { ++presses; }
    int presses = 0;
};

class CountingTimer : public KTimer {
public:
    void onTimer() override { ++ticks; }
    int ticks = 0;
};

// Takes WM_QUIT out of the queue; its exit code, or -1 when none is queued.
int takeQuit() {
    MSG message;
    if (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        return static_cast<int>(message.wParam);
    }
    return -1;
}

} // namespace

TEST_F(KWindowTest, ClosingAPlainWindowPostsQuitWithZero) {
    KWindow window;
    ASSERT_TRUE(window.createWindow(false));
    EXPECT_EQ(-1, takeQuit());
    EXPECT_EQ(0, SendMessageW(window.getWindowHandle(), WM_CLOSE, 0, 0));
    EXPECT_FALSE(IsWindow(window.getWindowHandle()));
    EXPECT_EQ(0, takeQuit());
}

TEST_F(KWindowTest, CentresTheStoredOuterSizeOnTheScreen) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_EQ(1280, screenWidth);
    ASSERT_EQ(1024, screenHeight);
    struct Case {
        int width, height, x, y;
    };
    const Case cases[] = {
        {400, 200, 440, 412}, {1280, 1024, 0, 0}, {2001, 1100, -360, -38}, {401, 201, 439, 411}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        KWindow window;
        window.setSize(c.width, c.height);
        window.centreOnScreen();
        EXPECT_EQ(c.x, window.getX());
        EXPECT_EQ(c.y, window.getY());
    }

    // With a window, on the installer's default 400 x 200.
    KFrame frame;
    ASSERT_TRUE(frame.createWindow(false));
    frame.centreOnScreen();
    RECT bounds = {};
    GetWindowRect(frame.getWindowHandle(), &bounds);
    EXPECT_EQ(440, bounds.left);
    EXPECT_EQ(412, bounds.top);
    EXPECT_EQ(400, bounds.right - bounds.left);
    frame.destroyWindow();
}

TEST_F(KWindowTest, SetClientSizeGivesTheExactClientArea) {
    KFrame frame;
    EXPECT_FALSE(frame.setClientSize(366, 103));
    EXPECT_EQ(400, frame.getWidth());
    EXPECT_EQ(200, frame.getHeight());
    int width = -1, height = -1;
    EXPECT_FALSE(frame.getClientSize(&width, &height));
    EXPECT_EQ(-1, width);

    frame.setStyle(INSTALLER_STYLE);
    ASSERT_TRUE(frame.createWindow(false));
    ASSERT_TRUE(frame.setClientSize(366, 103));
    ASSERT_TRUE(frame.getClientSize(&width, &height));
    EXPECT_EQ(366, width);
    EXPECT_EQ(103, height);
    RECT client = {};
    GetClientRect(frame.getWindowHandle(), &client);
    EXPECT_EQ(366, client.right);
    EXPECT_EQ(103, client.bottom);
    // WM_SIZE brought the outer size back into the fields.
    RECT bounds = {};
    GetWindowRect(frame.getWindowHandle(), &bounds);
    EXPECT_EQ(bounds.right - bounds.left, frame.getWidth());
    EXPECT_GT(frame.getHeight(), 103);
    EXPECT_TRUE(frame.getClientSize(nullptr, &height));
    frame.destroyWindow();
}

TEST_F(KWindowTest, FocusReturnsToTheChildThatHadIt) {
    KFrame frame;
    frame.setVisible(true);
    ASSERT_TRUE(frame.createWindow(false));
    KLabel first, second;
    second.setStyle(second.getStyle() | WS_TABSTOP);
    second.setPosition(0, 30);
    ASSERT_TRUE(frame.addChild(&first, false));
    ASSERT_TRUE(frame.addChild(&second, false));

    // Never deactivated: the first tab stop gets the focus.
    SetActiveWindow(frame.getWindowHandle());
    SetFocus(frame.getWindowHandle());
    EXPECT_EQ(second.getWindowHandle(), GetFocus());

    first.takeFocus();
    ASSERT_EQ(first.getWindowHandle(), GetFocus());
    KWindow other;
    other.setVisible(true);
    ASSERT_TRUE(other.createWindow(false));
    SetActiveWindow(other.getWindowHandle());
    ASSERT_EQ(other.getWindowHandle(), GetActiveWindow());
    SetActiveWindow(frame.getWindowHandle());
    EXPECT_EQ(frame.getWindowHandle(), GetActiveWindow());
    EXPECT_EQ(first.getWindowHandle(), GetFocus());
    other.destroyWindow();
    frame.destroyWindow();
}

TEST_F(KWindowTest, ControlNotificationsAreForwardedToTheirComponent) {
    KFrame frame;
    ASSERT_TRUE(frame.createWindow(false));
    const HWND window = frame.getWindowHandle();
    RecordingLabel label;
    ASSERT_TRUE(frame.addChild(&label, false));
    const HWND control = label.getWindowHandle();
    const LPARAM controlParam = reinterpret_cast<LPARAM>(control);

    DRAWITEMSTRUCT draw = {};
    draw.hwndItem = control;
    MEASUREITEMSTRUCT measure = {};
    measure.CtlID = static_cast<UINT>(label.getControlId());
    COMPAREITEMSTRUCT compare = {};
    compare.hwndItem = control;
    NMHDR notify = {};
    notify.hwndFrom = control;
    const WPARAM id = static_cast<WPARAM>(label.getControlId());
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool forwarded;
    };
    const Case cases[] = {
        {WM_CTLCOLORSTATIC, 0, controlParam, true},
        {WM_CTLCOLOREDIT, 0, controlParam, true},
        {WM_CTLCOLORLISTBOX, 0, controlParam, true},
        {WM_CTLCOLORBTN, 0, controlParam, true},
        {WM_CTLCOLORSCROLLBAR, 0, controlParam, true},
        {WM_CTLCOLORDLG, 0, controlParam, false},
        {WM_CTLCOLORMSGBOX, 0, controlParam, false},
        {WM_HSCROLL, 0, controlParam, true},
        {WM_VSCROLL, 0, controlParam, true},
        {WM_VKEYTOITEM, 0, controlParam, true},
        {WM_CHARTOITEM, 0, controlParam, true},
        {WM_COMMAND, MAKEWPARAM(id, 0), controlParam, true},
        {WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&draw), true},
        {WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), false},
        {WM_MEASUREITEM, id, reinterpret_cast<LPARAM>(&measure), true},
        {WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure), false},
        {WM_COMPAREITEM, id, reinterpret_cast<LPARAM>(&compare), true},
        {WM_NOTIFY, id, reinterpret_cast<LPARAM>(&notify), true},
        {WM_CTLCOLORSTATIC, 0, 0, false},
        {WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(window), false}, // no component there
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << c.message << " wParam " << c.wParam);
        label.reflected.clear();
        const LRESULT result = SendMessageW(window, c.message, c.wParam, c.lParam);
        if (c.forwarded) {
            EXPECT_EQ(std::vector<UINT>{c.message}, label.reflected);
            EXPECT_EQ(RecordingLabel::REFLECTED_RESULT, result);
        } else {
            EXPECT_TRUE(label.reflected.empty());
            EXPECT_NE(RecordingLabel::REFLECTED_RESULT, result);
        }
    }

    // Not handled by the component: the parent's default processing answers, as for a dialog colour.
    label.handles = false;
    label.reflected.clear();
    const HDC dc = GetDC(control);
    const LRESULT brush = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), controlParam);
    EXPECT_EQ(std::vector<UINT>{static_cast<UINT>(WM_CTLCOLORSTATIC)}, label.reflected);
    EXPECT_EQ(DefWindowProcW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), controlParam), brush);
    ReleaseDC(control, dc);
    frame.destroyWindow();
}

TEST_F(KWindowTest, AcceleratorCommandsReachTheFocusedControlAsKeys) {
    KFrame frame;
    frame.setVisible(true);
    ASSERT_TRUE(frame.createWindow(false));
    RecordingLabel label;
    ASSERT_TRUE(frame.addChild(&label, false));
    struct Case {
        WORD command;
        WPARAM key;
    };
    const Case cases[] = {{IDOK, VK_RETURN}, {IDCANCEL, VK_ESCAPE}, {IDABORT, 0}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command);
        label.takeFocus();
        ASSERT_EQ(label.getWindowHandle(), GetFocus());
        label.keys.clear();
        SendMessageW(frame.getWindowHandle(), WM_COMMAND, MAKEWPARAM(c.command, 1), 0);
        std::vector<RecordingLabel::Key> expected;
        if (c.key != 0) {
            expected = {{WM_KEYDOWN, c.key}, {WM_KEYUP, c.key}, {WM_CHAR, c.key}};
        }
        EXPECT_TRUE(expected == label.keys) << label.keys.size() << " keys";
    }
    frame.destroyWindow();
}

TEST_F(KWindowTest, MenuCommandsAndTimersAreLookedUpByIdentifier) {
    KWindow window;
    ASSERT_TRUE(window.createWindow(false));
    const HWND handle = window.getWindowHandle();
    // Without lists nothing is dispatched and nothing breaks.
    EXPECT_EQ(0, SendMessageW(handle, WM_COMMAND, MAKEWPARAM(30001, 0), 0));
    SendMessageW(handle, WM_TIMER, 1001, 0);

    CountingMenuItem first, second;
    PointerList* const menuItems = ComponentRegistry::instance()->makeMenuItems();
    ASSERT_EQ(0, menuItems->add(&first));
    ASSERT_EQ(1, menuItems->add(&second));
    SendMessageW(handle, WM_COMMAND, MAKEWPARAM(30002, 0), 0);
    SendMessageW(handle, WM_COMMAND, MAKEWPARAM(30001, 0), 0);
    SendMessageW(handle, WM_COMMAND, MAKEWPARAM(30002, 0), 0);
    SendMessageW(handle, WM_COMMAND, MAKEWPARAM(30003, 0), 0);
    SendMessageW(handle, WM_COMMAND, MAKEWPARAM(30000, 0), 0);
    EXPECT_EQ(1, first.presses);
    EXPECT_EQ(2, second.presses);

    CountingTimer timer;
    ComponentRegistry::instance()->makeTimers()->add(&timer);
    ASSERT_NE(0u, SetTimer(handle, 1001, 10, nullptr)) << "error " << GetLastError();
    EXPECT_TRUE(pumpUntil([&] { return timer.ticks >= 2; }, 5000)) << timer.ticks << " ticks";
    KillTimer(handle, 1001);
    const int ticks = timer.ticks;
    SendMessageW(handle, WM_TIMER, 1002, 0);
    EXPECT_EQ(ticks, timer.ticks);
    window.destroyWindow();
}

TEST_F(KWindowTest, WindowIconIsTheClassIcon) {
    KIcon icon;
    icon.loadFromResource(TEST_ICON);
    ASSERT_NE(nullptr, icon.getIconHandle());
    KFrame frame;
    ASSERT_TRUE(frame.createWindow(false));
    EXPECT_EQ(0u, frame.setWindowIcon(&icon));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(icon.getIconHandle()),
              GetClassLongPtrW(frame.getWindowHandle(), GCLP_HICON));
    KIcon empty;
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(icon.getIconHandle()), frame.setWindowIcon(&empty));
    EXPECT_EQ(0u, GetClassLongPtrW(frame.getWindowHandle(), GCLP_HICON));
    EXPECT_TRUE(frame.destroyWindow());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(frame.destroyWindow());
    EXPECT_NE(0xdeadbeefu, GetLastError());
}

TEST_F(KWindowTest, AddChildNeedsAComponentAndAWindow) {
    KFrame frame;
    KLabel label;
    EXPECT_FALSE(frame.addChild(&label, false));
    EXPECT_EQ(nullptr, label.getParentHandle());
    ASSERT_TRUE(frame.createWindow(false));
    EXPECT_FALSE(frame.addChild(nullptr, false));
    EXPECT_TRUE(frame.addChild(&label, true));
    EXPECT_EQ(frame.getWindowHandle(), GetParent(label.getWindowHandle()));
    frame.destroyWindow();
}
