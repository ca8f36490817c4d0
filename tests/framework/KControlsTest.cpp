#include "FrameworkTest.h"

#include "framework/KFont.h"
#include "framework/KFrame.h"
#include "framework/KLabel.h"
#include "framework/KProgressBar.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

namespace {

class KLabelTest : public FrameworkTest {};
class KProgressBarTest : public FrameworkTest {};

constexpr wchar_t LONG_TEXT[] = L"Installing a component with a rather long name...";

// Which pixels of a width x height picture differ from its top-left corner (the background).
std::vector<bool> inkOf(HDC dc, int width, int height) {
    std::vector<bool> ink;
    const COLORREF background = GetPixel(dc, 0, 0);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            ink.push_back(GetPixel(dc, column, row) != background);
        }
    }
    return ink;
}

// A memory picture of the given size; the caller paints it and reads its ink.
class Picture {
public:
    Picture(int width, int height) : width(width), height(height) {
        const HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        previous = SelectObject(dc, bitmap);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::vector<bool> ink() { return inkOf(dc, width, height); }
    // The text as DrawTextW draws it in the label's font with the given format.
    std::vector<bool> drawText(const wchar_t* text, UINT format) {
        RECT area = {0, 0, width, height};
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        const HGDIOBJ oldFont = SelectObject(dc, KFont::defaultFont()->getFontHandle());
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text, -1, &area, format);
        SelectObject(dc, oldFont);
        return ink();
    }
    HDC dc;

private:
    int width;
    int height;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

} // namespace

TEST_F(KLabelTest, NoParentNoWindow) {
    KLabel label;
    KProgressBar bar;
    EXPECT_FALSE(label.createWindow(false));
    EXPECT_FALSE(label.createWindow(true));
    EXPECT_FALSE(bar.createWindow(false));
    EXPECT_EQ(nullptr, label.getWindowHandle());
    EXPECT_EQ(nullptr, bar.getWindowHandle());
}

TEST_F(KLabelTest, CreatedWithTheDefaultFontAndFollowsItsText) {
    ParentWindow parent(true);
    KLabel label;
    ASSERT_TRUE(parent.window.addChild(&label, false));
    const HWND window = label.getWindowHandle();
    EXPECT_EQ(0x44004000u | WS_VISIBLE, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)));
    EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)),
              SendMessageW(window, WM_GETFONT, 0, 0));
    wchar_t text[16] = {};
    GetWindowTextW(window, text, 16);
    EXPECT_STREQ(L"Label", text);
    label.setText(KString(L"Finishing...", KString::REFER_STATIC));
    GetWindowTextW(window, text, 16);
    EXPECT_STREQ(L"Finishing...", text);
}

TEST_F(KLabelTest, TooLongTextEndsInAnEllipsis) {
    ParentWindow parent(true);
    KLabel label;
    label.setText(KString(LONG_TEXT, KString::REFER_STATIC));
    label.setSize(120, 25);
    ASSERT_TRUE(parent.window.addChild(&label, false));
    // Render the label into a picture of its own and compare the ink with DrawTextW's.
    Picture shown(120, 25);
    SendMessageW(label.getWindowHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shown.dc), PRF_CLIENT);
    const std::vector<bool> labelInk = shown.ink();
    Picture reference(120, 25);
    const std::vector<bool> withEllipsis =
        reference.drawText(LONG_TEXT, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
    const std::vector<bool> clipped = reference.drawText(LONG_TEXT, DT_LEFT | DT_SINGLELINE);
    ASSERT_NE(withEllipsis, clipped);
    EXPECT_EQ(withEllipsis, labelInk);
}

TEST_F(KLabelTest, HiddenLabelStaysHidden) {
    ParentWindow parent(true);
    KLabel label;
    label.setVisible(false);
    ASSERT_TRUE(parent.window.addChild(&label, true));
    EXPECT_FALSE(IsWindowVisible(label.getWindowHandle()));
    EXPECT_EQ(0, GetWindowLongW(label.getWindowHandle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(label.isVisible());
}

TEST_F(KLabelTest, DestroyingALabelLeavesTheStaticClassWorking) {
    ParentWindow parent(true);
    {
        KLabel first;
        ASSERT_TRUE(parent.window.addChild(&first, false));
        DestroyWindow(first.getWindowHandle());
    }
    WNDCLASSEXW description = {};
    description.cbSize = sizeof(description);
    EXPECT_TRUE(GetClassInfoExW(nullptr, L"STATIC", &description)) << "error " << GetLastError();
    KLabel second;
    second.setText(KString(L"Still here", KString::REFER_STATIC));
    ASSERT_TRUE(parent.window.addChild(&second, false));
    wchar_t text[16] = {};
    GetWindowTextW(second.getWindowHandle(), text, 16);
    EXPECT_STREQ(L"Still here", text);
}

TEST_F(KProgressBarTest, ValueStoredBeforeCreationIsShown) {
    ParentWindow parent(true);
    struct Case {
        bool set;
        int value;
        int shown;
    };
    const Case cases[] = {{false, 0, 0}, {true, 40, 40}, {true, 100, 100}, {true, 250, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "value " << c.value);
        KProgressBar bar;
        if (c.set) {
            bar.setValue(c.value);
        }
        EXPECT_EQ(c.value, bar.getValue());
        ASSERT_TRUE(parent.window.addChild(&bar, false));
        const HWND window = bar.getWindowHandle();
        EXPECT_EQ(c.shown, SendMessageW(window, PBM_GETPOS, 0, 0));
        PBRANGE range = {};
        SendMessageW(window, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        EXPECT_EQ(0, range.iLow);
        EXPECT_EQ(100, range.iHigh);
        DestroyWindow(window);
    }
}

TEST_F(KProgressBarTest, SetValueAfterCreationMovesTheBar) {
    ParentWindow parent(true);
    KProgressBar bar;
    bar.setPosition(30, 52);
    bar.setSize(306, 15);
    ASSERT_TRUE(parent.window.addChild(&bar, true));
    const HWND window = bar.getWindowHandle();
    EXPECT_EQ(0x44000001u | WS_VISIBLE, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)));
    const RECT bounds = rectInParent(window);
    EXPECT_EQ(30, bounds.left);
    EXPECT_EQ(52, bounds.top);
    EXPECT_EQ(306, bounds.right - bounds.left);
    EXPECT_EQ(15, bounds.bottom - bounds.top);
    EXPECT_EQ(0, SendMessageW(window, WM_GETFONT, 0, 0)); // the bar gets no font
    bar.setValue(50);
    EXPECT_EQ(50, SendMessageW(window, PBM_GETPOS, 0, 0));
    bar.setValue(250);
    EXPECT_EQ(250, bar.getValue());
    EXPECT_EQ(100, SendMessageW(window, PBM_GETPOS, 0, 0));
}
