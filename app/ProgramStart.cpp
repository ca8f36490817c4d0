// The process's entry, in place of the C runtime's start-up code. What that code does beyond calling
// wWinMain the program does not need: it has no global objects to construct, no thread-local data and
// no pseudo-relocations to apply (the shipped-program tests hold it to that). msvcrt.dll initialises
// itself as every DLL does, so its heap and its thread start work without that code.

#include "StartupArguments.h"

#include <windows.h>

extern "C" [[noreturn]] void programStart() {
    STARTUPINFOW startup;
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const int result = wWinMain(GetModuleHandleW(nullptr), nullptr, commandLineTail(GetCommandLineW()),
                                startupShowCommand(startup));
    ExitProcess(static_cast<UINT>(result));
}
