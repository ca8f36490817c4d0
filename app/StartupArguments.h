#pragma once

#include <windows.h>

// What the C runtime's start-up code would hand wWinMain, taken from the process's own start.

// The command line after the program's name and the blanks that follow it. The name ends at the first
// blank or control character outside double quotes, so a quoted name may hold blanks.
wchar_t* commandLineTail(wchar_t* commandLine);

// The show command that the starting process asked for, or SW_SHOWDEFAULT when it asked for none.
int startupShowCommand(const STARTUPINFOW& startup);
