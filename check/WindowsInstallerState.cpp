#include "WindowsInstallerState.h"

#include "ReportText.h"

#include "foundation/UniqueResource.h"

bool isWindowsInstallerBusy() {
    // Only whether it exists: waiting on it would take it from the installation that holds it.
    return UniqueHandle(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\_MSIExecute")).isValid();
}

int waitForWindowsInstaller(DWORD seconds, CheckReport& report) {
    if (isWindowsInstallerBusy()) {
        report.line(L"The Windows Installer is busy with another installation; waiting up to " +
                    KString(static_cast<int>(seconds)) + L" seconds.");
        for (DWORD waited = 0; waited < seconds && isWindowsInstallerBusy(); ++waited) {
            Sleep(1000);
        }
        if (isWindowsInstallerBusy()) {
            report.line(L"The Windows Installer is busy still after " + KString(static_cast<int>(seconds)) +
                        L" seconds: exit code 1618, so that the installation is tried again later.");
            return INSTALLER_BUSY_EXIT_CODE;
        }
    }
    report.line(text(L"The Windows Installer is free."));
    return 0;
}
