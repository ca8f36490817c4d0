#include "RunWithinFramework.h"

#include "RunApplication.h"

#include "foundation/KString.h"
#include "framework/FrameworkCore.h"
#include "framework/KApplication.h"

#include <shellapi.h>

#include <cstdlib>

int runWithinFramework(HINSTANCE instance, KApplication* (*makeApplication)()) {
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

    KApplication* const application = makeApplication();
    const int result = runApplication(application, arguments, argumentCount);
    // The application goes while the framework it was built on still stands.
    delete application;

    for (int index = 0; index < argumentCount; ++index) {
        delete arguments[index];
    }
    shutdownFramework();
    std::free(arguments);
    LocalFree(vector);
    return result;
}
