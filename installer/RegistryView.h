#pragma once

#include <shlobj.h>
#include <windows.h>

// The shipped installer is a 32-bit process, which 64-bit Windows redirects to the 32-bit registry
// view and the 32-bit Program Files folder; the products it installs live there. A 64-bit build
// asks for the same places explicitly, so that both builds see the same machine.
#ifdef _WIN64
constexpr REGSAM PRODUCT_REGISTRY_VIEW = KEY_WOW64_32KEY;
constexpr int PRODUCT_PROGRAM_FILES_FOLDER = CSIDL_PROGRAM_FILESX86;
#else
constexpr REGSAM PRODUCT_REGISTRY_VIEW = 0;
constexpr int PRODUCT_PROGRAM_FILES_FOLDER = CSIDL_PROGRAM_FILES;
#endif
