#pragma once

#include "CheckReport.h"

// Whether another installation holds the Windows Installer: the system holds the mutex
// "Global\_MSIExecute" while one runs, and a package started meanwhile fails (error 1618).
bool isWindowsInstallerBusy();

// The exit code that fleet tools retry on, a while later, when the Windows Installer is busy.
constexpr int INSTALLER_BUSY_EXIT_CODE = 1618;

// Waits, at most seconds, while the Windows Installer is busy, looking once a second, and says so in
// the report. 0 once it is free, INSTALLER_BUSY_EXIT_CODE when it is busy still.
int waitForWindowsInstaller(DWORD seconds, CheckReport& report);
