#pragma once

#include <windows.h>

// The installation run's pacing, so that the user can read each text.
constexpr DWORD SCAN_WAIT_MS = 2000;
constexpr DWORD COUNT_WAIT_MS = 500;
constexpr DWORD ANNOUNCE_WAIT_MS = 2000;
constexpr DWORD INSTALL_WAIT_MS = 800;
constexpr DWORD COPY_WAIT_MS = 600; // after a copy, and after a database's rewrite
constexpr DWORD FINISH_WAIT_MS = 1000;
// A run with nothing to do: two scans, each followed by its count, the announcement and the close.
constexpr DWORD FIXED_WAIT_MS = 2 * (SCAN_WAIT_MS + COUNT_WAIT_MS) + ANNOUNCE_WAIT_MS + FINISH_WAIT_MS;
