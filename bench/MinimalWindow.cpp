// The smallest Win32 window program: one window, shown, then a message loop. Built with the same
// toolchain and options as the installer, it is the yardstick for what Wine itself costs a window
// program in time and memory. Built as minimal_com_window it also initialises COM and keeps a
// second thread with COM of its own until it closes: the structure of the installer without its
// work. That build alone imports ole32, so the plain yardstick loads no more than it needs.
//
// Usage: minimal_window MILLISECONDS  (0: close as soon as the window is shown)

#include <objbase.h>
#include <windows.h>

#include <cwchar>

namespace {

constexpr UINT_PTR CLOSE_TIMER = 1;
constexpr bool WITH_COM_WORKER = MINIMAL_WITH_COM_WORKER != 0;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

[[maybe_unused]] DWORD WINAPI idleComWorker(void* closing) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WaitForSingleObject(static_cast<HANDLE>(closing), INFINITE);
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const UINT stayMs = static_cast<UINT>(std::wcstoul(commandLine, nullptr, 10));
    HANDLE closing = nullptr;
    HANDLE worker = nullptr;
    if constexpr (WITH_COM_WORKER) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        closing = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        worker = CreateThread(nullptr, 0, &idleComWorker, closing, 0, nullptr);
    }

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"MinimalWindow";
    if (RegisterClassExW(&windowClass) == 0) {
        return 1;
    }
    const HWND window =
        CreateWindowExW(0, windowClass.lpszClassName, L"Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 400, 200, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (stayMs == 0) {
        DestroyWindow(window);
    } else {
        SetTimer(window, CLOSE_TIMER, stayMs, nullptr);
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (worker != nullptr) {
        SetEvent(closing);
        WaitForSingleObject(worker, INFINITE);
        CloseHandle(worker);
    }
    if (closing != nullptr) {
        CloseHandle(closing);
    }
    return 0;
}
