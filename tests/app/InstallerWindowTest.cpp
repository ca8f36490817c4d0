#include "app/InstallerWindow.h"

#include "app/InstallerMessages.h"
#include "foundation/KString.h"
#include "framework/FrameworkCore.h"
#include "framework/KApplication.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <optional>

namespace {

// Counts its own deletions, so a test sees that the window deleted what it was sent.
class CountedString : public KString {
public:
    explicit CountedString(const wchar_t* text) : KString(text, KString::COPY_TEXT) {}
    ~CountedString() override { ++deleted; }
    static int deleted;
};
int CountedString::deleted = 0;

void pumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The window's owner destroys the native window before the object, as the program's main does; the
// quit message that its destruction posts is taken off the queue so that the next test starts clean.
class InstallerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        initFramework(nullptr);
        window.emplace();
    }
    void TearDown() override {
        if (IsWindow(window->getWindowHandle())) {
            window->destroyWindow();
        }
        pumpPending();
        window.reset();
        shutdownFramework();
    }

    std::optional<InstallerWindow> window;
};

std::wstring windowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

} // namespace

TEST_F(InstallerWindowTest, BuiltHiddenWithItsLayout) {
    const HWND handle = window->getWindowHandle();
    ASSERT_NE(nullptr, handle);
    EXPECT_FALSE(IsWindowVisible(handle));
    EXPECT_EQ(L"Pellmont", windowText(handle));
    // Windows adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(static_cast<LONG>(0x80C80000),
              GetWindowLongW(handle, GWL_STYLE) & ~WS_CLIPSIBLINGS & 0xFFFF0000)
        << std::hex << GetWindowLongW(handle, GWL_STYLE);
    RECT client;
    GetClientRect(handle, &client);
    EXPECT_EQ(366, client.right);
    EXPECT_EQ(103, client.bottom);
    EXPECT_NE(0u, GetClassLongPtrW(handle, GCLP_HICON)) << "icon 101 of the module is the class icon";

    const HWND label = FindWindowExW(handle, nullptr, L"Static", nullptr);
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(L"Please wait...", windowText(label));
    EXPECT_EQ(handle, GetParent(label));
}

TEST_F(InstallerWindowTest, ShowsPostedStatusAndProgressAndDeletesTheTexts) {
    const HWND handle = window->getWindowHandle();
    ASSERT_NE(nullptr, handle);
    CountedString::deleted = 0;
    PostMessageW(handle, WM_INSTALL_STATUS, reinterpret_cast<WPARAM>(new CountedString(L"first")), 0);
    PostMessageW(handle, WM_INSTALL_STATUS, reinterpret_cast<WPARAM>(new CountedString(L"second")), 0);
    PostMessageW(handle, WM_INSTALL_PROGRESS, 37, 0);
    pumpPending();
    EXPECT_EQ(2, CountedString::deleted);
    const HWND label = FindWindowExW(handle, nullptr, L"Static", nullptr);
    EXPECT_EQ(L"second", windowText(label));
    const HWND bar = FindWindowExW(handle, nullptr, L"msctls_progress32", nullptr);
    EXPECT_EQ(37, static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)));
}

TEST_F(InstallerWindowTest, CloseRequestsAreRefusedAndDoneEndsTheLoop) {
    const HWND handle = window->getWindowHandle();
    ASSERT_NE(nullptr, handle);
    window->setVisible(true);
    SendMessageW(handle, WM_CLOSE, 0, 0);
    SendMessageW(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    pumpPending();
    EXPECT_TRUE(IsWindow(handle)) << "closing is refused";

    PostMessageW(handle, WM_INSTALL_DONE, 0, 0);
    EXPECT_EQ(0, KApplication::runMessageLoop());
    EXPECT_FALSE(IsWindow(handle));
}
