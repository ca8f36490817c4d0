#pragma once

#include <windows.h>

struct SessionQueries;

// The check's command line as operators and their scripts give it (the program's name first), its
// report written to output, and the exit code it answers with. sessions: what finding the desktop
// user asks of the system; null for the system's own answers.
int runCheckCommand(int argumentCount, const wchar_t* const* arguments, HANDLE output,
                    const SessionQueries* sessions = nullptr);
