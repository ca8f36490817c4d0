#include "FrameworkTest.h"
#include "TestResources.h"

#include "framework/ComponentRegistry.h"
#include "framework/FrameworkCore.h"
#include "framework/KApplication.h"
#include "framework/KFont.h"
#include "framework/KIcon.h"
#include "framework/KLabel.h"
#include "framework/KWindow.h"
#include "framework/PointerList.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cwchar>
#include <string>

namespace {

// Balances the test's own initFramework calls even when an assertion returns early.
class FrameworkUse {
public:
    explicit FrameworkUse(HINSTANCE module) { initFramework(module); }
    FrameworkUse(const FrameworkUse&) = delete;
    FrameworkUse& operator=(const FrameworkUse&) = delete;
    ~FrameworkUse() { shutdownFramework(); }
};

constexpr int WATCHDOG_CODE = 99;

void CALLBACK quitByWatchdog(HWND, UINT, UINT_PTR, DWORD) {
    PostQuitMessage(WATCHDOG_CODE);
}

std::wstring nextClassName() {
    return ComponentRegistry::instance()->generateClassName().text();
}

} // namespace

TEST(FrameworkCore, NestedUseKeepsTheStateUntilTheLastShutdown) {
    {
        FrameworkUse outer(nullptr);
        // The framework has initialised COM on this thread, which then needs no initialising again.
        EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
        CoUninitialize();
        const ATOM atom = componentAtom;
        {
            FrameworkUse inner(nullptr);
            EXPECT_EQ(atom, componentAtom);
            const std::wstring name = nextClassName();
            EXPECT_EQ(L"_0", name.substr(name.size() - 2)) << name;
        }
        // Still initialised: the same registry goes on counting, the atoms are still there.
        const std::wstring name = nextClassName();
        EXPECT_EQ(L"_1", name.substr(name.size() - 2)) << name;
        EXPECT_EQ(atom, GlobalFindAtomW(L"NXFComponent"));
        EXPECT_NE(0, oldProcAtom);
    }
    EXPECT_EQ(0, componentAtom);
    EXPECT_EQ(S_OK, CoInitialize(nullptr)) << "the last shutdown uninitialised COM";
    CoUninitialize();
    // Torn down: a new use starts a new registry.
    FrameworkUse again(nullptr);
    const std::wstring name = nextClassName();
    EXPECT_EQ(L"_0", name.substr(name.size() - 2)) << name;
}

// Also: an unmatched shutdown must not keep the next init from initialising.
TEST(FrameworkCore, NullModuleIsTheImageHoldingTheFramework) {
    shutdownFramework();
    FrameworkUse use(nullptr);
    EXPECT_EQ(GetModuleHandleW(nullptr), frameworkModule);
    EXPECT_EQ(GlobalFindAtomW(L"NXFComponent"), componentAtom);
    EXPECT_EQ(GlobalFindAtomW(L"NXFOldProc"), oldProcAtom);
}

TEST(ComponentRegistry, ClassNamesCarryTheModuleAsSigned32BitDecimal) {
    struct Case {
        ULONG_PTR module;
        const wchar_t* first;
        const wchar_t* second;
    };
    const Case cases[] = {
        {0x400000, L"NXF_4194304_0", L"NXF_4194304_1"},
        {0x80000000, L"NXF_-2147483648_0", L"NXF_-2147483648_1"},
        {0xFFFF0000, L"NXF_-65536_0", L"NXF_-65536_1"},
#ifdef _WIN64
        {0x140000000, L"NXF_1073741824_0", L"NXF_1073741824_1"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        FrameworkUse use(reinterpret_cast<HINSTANCE>(c.module));
        EXPECT_EQ(c.first, nextClassName());
        EXPECT_EQ(c.second, nextClassName());
    }
}

TEST(ComponentRegistry, ClassNamesAreNeverRepeated) {
    FrameworkUse use(nullptr);
    wchar_t expected[32];
    swprintf(expected, 32, L"NXF_%d_0",
             static_cast<int>(reinterpret_cast<INT_PTR>(GetModuleHandleW(nullptr))));
    EXPECT_EQ(expected, nextClassName());
    std::wstring previous = nextClassName();
    for (int i = 2; i < 40; ++i) {
        const std::wstring name = nextClassName();
        EXPECT_NE(previous, name);
        EXPECT_EQ(std::to_wstring(i), name.substr(name.rfind(L'_') + 1)) << name;
        previous = name;
    }
}

TEST(PointerList, GetAtGivesNullOutsideTheItems) {
    int first = 1, second = 2;
    for (const bool threadSafe : {false, true}) {
        SCOPED_TRACE(threadSafe ? "thread safe" : "unlocked");
        PointerList list(threadSafe);
        EXPECT_EQ(nullptr, list.getAt(0));
        EXPECT_EQ(0, list.add(&first));
        EXPECT_EQ(1, list.add(&second));
        EXPECT_EQ(&first, list.getAt(0));
        EXPECT_EQ(&second, list.getAt(1));
        for (const int index : {-1, 2, 3, -30001, INT_MIN, INT_MAX}) {
            EXPECT_EQ(nullptr, list.getAt(index)) << "index " << index;
        }
        EXPECT_EQ(2, list.getCount());
    }
}

TEST_F(FrameworkTest, DefaultFontIsOneSharedStockFont) {
    KFont* const font = KFont::defaultFont();
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(font, KFont::defaultFont());
    EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), font->getFontHandle());
    KLabel label;
    KWindow window;
    EXPECT_EQ(font, label.getFont());
    EXPECT_EQ(font, window.getFont());
}

TEST(KFont, StockFontSurvivesShutdown) {
    HFONT stock = nullptr;
    {
        FrameworkUse use(nullptr);
        stock = KFont::defaultFont()->getFontHandle();
    }
    LOGFONTW description;
    SetLastError(0xdeadbeef);
    EXPECT_NE(0, GetObjectW(stock, sizeof(description), &description)) << "error " << GetLastError();
    EXPECT_EQ(stock, GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(FrameworkTest, IconLoadsAtTheDefaultSizeOrStaysEmpty) {
    KIcon icon;
    EXPECT_EQ(nullptr, icon.getIconHandle());
    icon.loadFromResource(TEST_ICON);
    ASSERT_NE(nullptr, icon.getIconHandle());
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon.getIconHandle(), &info));
    BITMAP colour = {};
    GetObjectW(info.hbmColor, sizeof(colour), &colour);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), colour.bmWidth);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    KIcon missing;
    missing.loadFromResource(MISSING_RESOURCE);
    EXPECT_EQ(nullptr, missing.getIconHandle());
    // A second load replaces the icon held; a failed one leaves it empty.
    icon.loadFromResource(MISSING_RESOURCE);
    EXPECT_EQ(nullptr, icon.getIconHandle());
}

TEST_F(FrameworkTest, MessageLoopEndsWhenAPlainWindowCloses) {
    KWindow window;
    ASSERT_TRUE(window.createWindow(false));
    PostMessageW(window.getWindowHandle(), WM_CLOSE, 0, 0);
    // Bounded: should the window not quit, the watchdog does, with another code.
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, quitByWatchdog);
    ASSERT_NE(0u, watchdog);
    EXPECT_EQ(0, KApplication::runMessageLoop());
    KillTimer(nullptr, watchdog);
    EXPECT_FALSE(IsWindow(window.getWindowHandle()));
}
