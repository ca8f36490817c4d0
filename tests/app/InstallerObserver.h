#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// What the installer window showed, as another process sees it: every change of the status text and
// of the progress position, with the time since the observer was made. Another process only polls,
// and a loaded machine can hold it back between and within polls, so each change is known to lie
// between two times: after the start of the last poll that still read the earlier state, and before
// the end of the poll that read it.
struct ObservedTime {
    DWORD notBeforeMs;
    DWORD atMs; // when it was seen; ~0u for never
};

struct ObservedChange {
    DWORD notBeforeMs;
    DWORD atMs;
    bool isProgress;
    std::wstring status; // when !isProgress
    int progress;        // when isProgress
};

struct WindowGeometry {
    RECT windowRect; // screen coordinates
    RECT clientRect;
    RECT labelRect; // client coordinates of the window
    RECT barRect;
    LONG style;
    int labelId;
    int barId;
};

class InstallerObserver {
public:
    // Times count from here.
    InstallerObserver();

    // Follows the "Pellmont" window of the given process (any process for 0) until it is gone or the time is
    // up; false when the window never appeared or outlived timeoutMs. onChange runs after each change is
    // recorded, on this thread.
    bool follow(DWORD processId, DWORD timeoutMs,
                const std::function<void(HWND window, const ObservedChange& change)>& onChange = nullptr);

    const std::vector<ObservedChange>& changes() const { return recorded; }
    // Texts shown, in order, including the first one the window was seen with.
    std::vector<std::wstring> statuses() const;
    std::vector<int> progressValues() const;
    // Time of the first change that showed this text; atMs ~0u when it never appeared.
    ObservedTime timeOfStatus(const std::wstring& status) const;
    ObservedTime timeClosed() const { return closed; }
    const WindowGeometry& geometry() const { return firstGeometry; }

private:
    DWORD elapsed() const;

    ULONGLONG startTick;
    std::vector<ObservedChange> recorded;
    WindowGeometry firstGeometry{};
    ObservedTime closed{0, ~0u};
};

// The top-level "Pellmont" window of a process (of any process for 0), or null.
HWND findInstallerWindow(DWORD processId);
// Writes the window's screen area as a 24-bit BMP file; false when it could not be captured.
bool saveWindowScreenshot(HWND window, const std::wstring& path);
