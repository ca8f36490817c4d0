#include "InstallerWindow.h"

#include "InstallerMessages.h"

#include "foundation/KString.h"

namespace {

// The icon group of the program's own resources.
constexpr WORD ICON_PROGRAM = 101;
constexpr wchar_t WINDOW_TITLE[] = L"Pellmont";
constexpr wchar_t INITIAL_STATUS[] = L"Please wait...";
// Caption with system menu and close box; no minimise or maximise box, no sizing border.
constexpr DWORD WINDOW_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;
static_assert(WINDOW_STYLE == 0x80C80000);

constexpr int CLIENT_WIDTH = 366;
constexpr int CLIENT_HEIGHT = 103;
// The label stands one pixel right of the bar.
constexpr int LABEL_X = 31;
constexpr int LABEL_Y = 25;
constexpr int BAR_X = 30;
constexpr int BAR_Y = 52;
constexpr int CONTROL_WIDTH = 306;
constexpr int BAR_HEIGHT = 15;

} // namespace

InstallerWindow::InstallerWindow() {
    windowIcon.loadFromResource(ICON_PROGRAM);
    setStyle(WINDOW_STYLE);
    setText(KString(WINDOW_TITLE, KString::REFER_STATIC, lengthOf(WINDOW_TITLE)));
    createWindow(false);
    setWindowIcon(&windowIcon);
    setClientSize(CLIENT_WIDTH, CLIENT_HEIGHT);

    statusLabel.setText(KString(INITIAL_STATUS, KString::REFER_STATIC, lengthOf(INITIAL_STATUS)));
    statusLabel.setPosition(LABEL_X, LABEL_Y);
    statusLabel.setSize(CONTROL_WIDTH, statusLabel.getHeight());
    progressBar.setPosition(BAR_X, BAR_Y);
    progressBar.setSize(CONTROL_WIDTH, BAR_HEIGHT);
    addChild(&statusLabel, false);
    addChild(&progressBar, false);

    workerThread.setRunnable(this);
}

InstallerWindow::~InstallerWindow() = default;

LRESULT InstallerWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INSTALL_STATUS: {
        KString* const text = reinterpret_cast<KString*>(wParam);
        statusLabel.setText(*text);
        delete text;
        return 0;
    }
    case WM_INSTALL_PROGRESS:
        progressBar.setValue(static_cast<int>(wParam));
        return 0;
    case WM_INSTALL_DONE:
        destroyWindow();
        return 0;
    default:
        return KFrame::handleMessage(window, message, wParam, lParam);
    }
}

// The run cannot be interrupted: closing is refused until it is done.
void InstallerWindow::onCloseRequest() {}

bool InstallerWindow::startInstallation() {
    return workerThread.start();
}

void InstallerWindow::waitForInstallation() {
    if (workerThread.getHandle() != nullptr) {
        workerThread.waitUntilFinished(true);
    }
}

void InstallerWindow::postProgress(int percent) {
    PostMessageW(getWindowHandle(), WM_INSTALL_PROGRESS, static_cast<WPARAM>(percent < 100 ? percent : 100),
                 0);
}

void InstallerWindow::postStatus(const KString& text) {
    KString* const posted = new KString(text);
    // An undelivered text never reaches its new owner, so it stays ours to delete.
    if (!PostMessageW(getWindowHandle(), WM_INSTALL_STATUS, reinterpret_cast<WPARAM>(posted), 0)) {
        delete posted;
    }
}
