// wWinMain, where the program starts once its start-up (ProgramStart.cpp) has read the command line:
// the process's own protections first, then the installer application's run.

#include "InstallerApplication.h"
#include "RunWithinFramework.h"

#include "foundation/RedirectionTrust.h"
#include "foundation/SystemDllSearch.h"

#include <windows.h>

namespace {

KApplication* makeInstallerApplication() {
    return new InstallerApplication;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The program runs elevated from a folder of downloaded files.
    restrictDllSearchToSystem();
    // Before the first write into the desktop user's folder; where the system lacks it, the checks of
    // the copy and the rewrite still stand.
    enforceRedirectionTrust();
    return runWithinFramework(instance, &makeInstallerApplication);
}
