#pragma once

#include <windows.h>

// Removes the name that the handle (opened with DELETE access) was opened on, never what a link
// leads to. With POSIX semantics the name goes at once while others keep the file open; the legacy
// disposition, the only one some systems have, leaves the name until the last handle on the file
// closes. A read-only file keeps its name.
void removeName(HANDLE file);
