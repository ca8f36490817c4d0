// The check's entry, in place of the C runtime's start-up code (see app/ProgramStart.cpp): wmain gets
// the command line as the system splits it, which for a folder path is the runtime's split too (the
// two differ only in how they read doubled quotes), and its result becomes the exit code. The argument
// vector lives until the process ends.

#include <windows.h>

#include <shellapi.h>

int wmain(int argumentCount, wchar_t** arguments);

extern "C" [[noreturn]] void checkStart() {
    int argumentCount = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    ExitProcess(static_cast<UINT>(wmain(arguments == nullptr ? 0 : argumentCount, arguments)));
}
