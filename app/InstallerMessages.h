#pragma once

#include <windows.h>

// Posted by the installation run on its worker thread to the installer window; lParam is always 0.

// wParam: a KString* made with new for this one message; the window owns it from arrival and deletes
// it after showing it.
constexpr UINT WM_INSTALL_STATUS = WM_APP + 0x190;
// wParam: progress in percent, 0 to 100.
constexpr UINT WM_INSTALL_PROGRESS = WM_APP + 0x191;
// wParam: 0. The run is over; the window closes, which ends the message loop.
constexpr UINT WM_INSTALL_DONE = WM_APP + 0x192;

static_assert(WM_INSTALL_STATUS == 0x8190 && WM_INSTALL_PROGRESS == 0x8191 && WM_INSTALL_DONE == 0x8192);
