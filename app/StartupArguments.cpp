#include "StartupArguments.h"

wchar_t* commandLineTail(wchar_t* commandLine) {
    bool quoted = false;
    while (*commandLine > L' ' || (*commandLine != L'\0' && quoted)) {
        if (*commandLine == L'"') {
            quoted = !quoted;
        }
        ++commandLine;
    }
    while (*commandLine != L'\0' && *commandLine <= L' ') {
        ++commandLine;
    }
    return commandLine;
}

int startupShowCommand(const STARTUPINFOW& startup) {
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}
