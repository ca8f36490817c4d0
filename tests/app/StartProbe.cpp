// One wWinMain, built behind the program's own start and behind the C runtime's.

#include "StartProbe.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLineTail, int showCommand) {
    wchar_t report[1024];
    const int length = wsprintfW(
        report, L"%s|%s|%s|%d", instance == GetModuleHandleW(nullptr) ? L"own module" : L"other module",
        previous == nullptr ? L"no previous instance" : L"previous instance", commandLineTail, showCommand);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), report, static_cast<DWORD>(length) * sizeof(wchar_t), &written,
              nullptr);
    return START_PROBE_RESULT;
}
