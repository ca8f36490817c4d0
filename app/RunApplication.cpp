#include "RunApplication.h"

#include "framework/KApplication.h"

#include <windows.h>

int runApplication(KApplication* application, KString** arguments, int argumentCount) {
    if (application->allowsMultipleInstances()) {
        return application->main(arguments, argumentCount);
    }
    // The handle stays open until the process ends, so the name stays taken while this instance runs.
    const HANDLE mutex = CreateMutexW(nullptr, TRUE, application->mutexName());
    if (mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS) {
        const int result = application->main(arguments, argumentCount);
        ReleaseMutex(mutex);
        return result;
    }
    return application->onAnotherInstance(arguments, argumentCount);
}
