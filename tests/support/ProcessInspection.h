#pragma once

#include <windows.h>

#include <string>

// The first process found whose parent is parentId and whose file is named exeName; 0 when none is.
DWORD findChildProcess(DWORD parentId, const wchar_t* exeName);
// Reads the command line that a running process was given; false when it cannot be read (yet).
bool readCommandLine(HANDLE process, std::wstring& commandLine);
// Terminates the process and, first, the processes it started.
void terminateProcessTree(DWORD processId);
