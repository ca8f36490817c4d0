// Plays the desktop shell for the tests: makes a window, declares it the shell window, and lives until
// told to go. Command line: the name of an event to set once it is the shell, and the name of an
// event that tells it to exit. Exit code 0 when it was the shell, 1 when it could not become it.
#include "foundation/UniqueResource.h"

#include <shellapi.h>
#include <windows.h>

namespace {

constexpr DWORD LONGEST_LIFE_MS = 120000;

using SetShellWindowFunction = BOOL(WINAPI*)(HWND);

} // namespace

int main() {
    int argumentCount = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    if (arguments == nullptr || argumentCount != 3) {
        return 2;
    }
    const UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, arguments[1]));
    const UniqueHandle quit(OpenEventW(SYNCHRONIZE, FALSE, arguments[2]));
    LocalFree(arguments);
    if (!ready || !quit) {
        return 2;
    }

    const HWND window = CreateWindowExW(0, L"STATIC", L"Test shell", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        nullptr, nullptr);
    // Not declared in the SDK headers; the system exports it for the shell's own use.
    const auto setShellWindow = reinterpret_cast<SetShellWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetShellWindow")));
    if (window == nullptr || setShellWindow == nullptr || !setShellWindow(window)) {
        return 1;
    }
    SetEvent(ready.get());

    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= LONGEST_LIFE_MS) {
            break;
        }
        const HANDLE quitEvent = quit.get();
        const DWORD woken =
            MsgWaitForMultipleObjects(1, &quitEvent, FALSE, LONGEST_LIFE_MS - elapsed, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1) {
            break;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    DestroyWindow(window);
    return 0;
}
