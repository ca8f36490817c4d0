#pragma once

#include "foundation/KString.h"

#include <windows.h>

// The shell folder (a CSIDL_ value) as the token's user sees it, or the running account's without a
// token; without a trailing separator, empty on failure.
KString getShellFolder(int folder, HANDLE token);
