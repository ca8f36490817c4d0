// The program's entry: framework up, arguments as KStrings, the application's main, everything down.

#include "InstallerApplication.h"
#include "RunApplication.h"

#include "foundation/KString.h"
#include "foundation/RedirectionTrust.h"
#include "foundation/SystemDllSearch.h"
#include "framework/FrameworkCore.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdlib>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    restrictDllSearchToSystem();
    // Before the first write into the desktop user's folder; where the system lacks it, the checks of
    // the copy and the rewrite still stand.
    enforceRedirectionTrust();
    initFramework(instance);

    int argumentCount = 0;
    wchar_t** const vector = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    if (vector == nullptr) {
        argumentCount = 0;
    }
    KString** const arguments =
        static_cast<KString**>(std::malloc(static_cast<size_t>(argumentCount) * sizeof(KString*)));
    if (arguments == nullptr) {
        argumentCount = 0;
    }
    // The strings refer to the vector's memory, so the vector is freed only after them.
    for (int index = 0; index < argumentCount; ++index) {
        arguments[index] = new KString(vector[index], KString::REFER_STATIC);
    }

    KApplication* const application = new InstallerApplication;
    const int result = runApplication(application, arguments, argumentCount);
    delete application;

    for (int index = 0; index < argumentCount; ++index) {
        delete arguments[index];
    }
    shutdownFramework();
    std::free(arguments);
    LocalFree(vector);
    return result;
}
