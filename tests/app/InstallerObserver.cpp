#include "InstallerObserver.h"

#include "foundation/UniqueResource.h"

#include <commctrl.h>

namespace {

constexpr DWORD POLL_INTERVAL_MS = 5;
constexpr UINT QUERY_TIMEOUT_MS = 1000;

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchInstallerWindow(HWND window, LPARAM parameter) {
    WindowSearch* const search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t title[16] = {};
    if ((search->processId == 0 || owner == search->processId) && GetWindowTextW(window, title, 16) > 0 &&
        std::wstring(title) == L"Pellmont") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

bool readStatus(HWND label, std::wstring& text) {
    wchar_t buffer[512];
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(label, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                             QUERY_TIMEOUT_MS, &length)) {
        return false;
    }
    text.assign(buffer, static_cast<size_t>(length));
    return true;
}

bool readProgress(HWND bar, int& position) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, QUERY_TIMEOUT_MS, &result)) {
        return false;
    }
    position = static_cast<int>(result);
    return true;
}

RECT childRect(HWND parent, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

HWND findInstallerWindow(DWORD processId) {
    WindowSearch search{processId, nullptr};
    EnumWindows(&matchInstallerWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

InstallerObserver::InstallerObserver() : startTick(GetTickCount64()) {}

DWORD InstallerObserver::elapsed() const {
    return static_cast<DWORD>(GetTickCount64() - startTick);
}

bool InstallerObserver::follow(DWORD processId, DWORD timeoutMs,
                               const std::function<void(HWND, const ObservedChange&)>& onChange) {
    HWND window = nullptr;
    while (window == nullptr || !IsWindowVisible(window)) {
        if (elapsed() > timeoutMs) {
            return false;
        }
        Sleep(POLL_INTERVAL_MS);
        window = findInstallerWindow(processId);
    }
    const HWND label = FindWindowExW(window, nullptr, L"Static", nullptr);
    const HWND bar = FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr);
    GetWindowRect(window, &firstGeometry.windowRect);
    GetClientRect(window, &firstGeometry.clientRect);
    firstGeometry.labelRect = childRect(window, label);
    firstGeometry.barRect = childRect(window, bar);
    firstGeometry.style = GetWindowLongW(window, GWL_STYLE);
    firstGeometry.labelId = GetDlgCtrlID(label);
    firstGeometry.barId = GetDlgCtrlID(bar);

    std::wstring lastStatus;
    int lastProgress = -1;
    bool seenStatus = false;
    // The starts of the last reads that saw the state then recorded: a change came after them.
    DWORD statusReadFrom = elapsed();
    DWORD progressReadFrom = statusReadFrom;
    DWORD windowSeenFrom = statusReadFrom;
    for (;;) {
        const DWORD windowCheckFrom = elapsed();
        if (!IsWindow(window)) {
            break;
        }
        windowSeenFrom = windowCheckFrom;
        if (windowCheckFrom > timeoutMs) {
            return false;
        }
        std::wstring status;
        int progress = 0;
        const DWORD statusReadStart = elapsed();
        if (readStatus(label, status)) {
            if (!seenStatus || status != lastStatus) {
                seenStatus = true;
                lastStatus = status;
                recorded.push_back({statusReadFrom, elapsed(), false, status, 0});
                if (onChange) {
                    onChange(window, recorded.back());
                }
            }
            statusReadFrom = statusReadStart;
        }
        // A bar answers 0 between its destruction and the end of its window; the window is hidden
        // before its controls are destroyed, so what is read once it is hidden was never shown.
        const DWORD progressReadStart = elapsed();
        if (readProgress(bar, progress) && IsWindowVisible(window)) {
            if (progress != lastProgress) {
                lastProgress = progress;
                recorded.push_back({progressReadFrom, elapsed(), true, std::wstring(), progress});
                if (onChange) {
                    onChange(window, recorded.back());
                }
            }
            progressReadFrom = progressReadStart;
        }
        Sleep(POLL_INTERVAL_MS);
    }
    closed = {windowSeenFrom, elapsed()};
    return true;
}

std::vector<std::wstring> InstallerObserver::statuses() const {
    std::vector<std::wstring> texts;
    for (const ObservedChange& change : recorded) {
        if (!change.isProgress) {
            texts.push_back(change.status);
        }
    }
    return texts;
}

std::vector<int> InstallerObserver::progressValues() const {
    std::vector<int> values;
    for (const ObservedChange& change : recorded) {
        if (change.isProgress) {
            values.push_back(change.progress);
        }
    }
    return values;
}

ObservedTime InstallerObserver::timeOfStatus(const std::wstring& status) const {
    for (const ObservedChange& change : recorded) {
        if (!change.isProgress && change.status == status) {
            return {change.notBeforeMs, change.atMs};
        }
    }
    return {0, ~0u};
}

bool saveWindowScreenshot(HWND window, const std::wstring& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return false;
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bool saved = false;
    if (bitmap != nullptr) {
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD imageBytes = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER fileHeader{};
        fileHeader.bfType = 0x4D42; // "BM"
        fileHeader.bfOffBits = sizeof fileHeader + sizeof info.bmiHeader;
        fileHeader.bfSize = fileHeader.bfOffBits + imageBytes;
        const UniqueFileHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (file.isValid()) {
            DWORD written = 0;
            saved = WriteFile(file.get(), &fileHeader, sizeof fileHeader, &written, nullptr) &&
                    WriteFile(file.get(), &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
                    WriteFile(file.get(), pixels, imageBytes, &written, nullptr) && written == imageBytes;
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}
