#pragma once

#include "foundation/KString.h"

#include <windows.h>

// Bounds every wait for a program the tests start; an msiexec.exe run takes about a second under Wine.
constexpr DWORD PROCESS_TIMEOUT_MS = 60000;

// One of the tests' helper programs, by file name ("\installer_test_shell.exe"): the build puts them
// all in one folder (TestPaths.h).
KString helperProgram(const wchar_t* name);
// A program of the system folder, by file name ("\msiexec.exe").
KString systemProgram(const wchar_t* name);

// Runs the program with the command line (which begins with a blank) and waits at most timeoutMs.
// Its exit code; STILL_ACTIVE when it did not end in time (it is then terminated), or ~0u when it
// could not be started. An inheritable output handle becomes its standard output and error; a show
// command other than SW_SHOWDEFAULT is handed to it as its starter's (STARTF_USESHOWWINDOW).
DWORD runProgram(const KString& application, const KString& commandLine, DWORD timeoutMs,
                 HANDLE output = nullptr, WORD showCommand = SW_SHOWDEFAULT);
