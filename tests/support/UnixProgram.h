#pragma once

#include "foundation/KString.h"

#include <windows.h>

#include <string>

// Linux programs started from a Windows program under Wine, which runs a program that is not a
// Windows one as a Linux process. Such a process yields no handle to wait on: callers watch for what
// it does, for a bounded time.

// The Unix name that Wine gives a Windows path; empty when there is none (or this is not Wine).
std::string unixName(const KString& path);

// Starts the Linux program that the command line names (Windows quoting rules split it into
// arguments); an inheritable output handle becomes its standard output and error.
bool startUnixProgram(const std::string& commandLine, HANDLE output = nullptr);

// Watches for what such a program did: true once the name is there (present) or gone (!present),
// false when it has not come to that within ten seconds.
bool awaitName(const KString& path, bool present);
