// Makes one configuration copy and ends its own process when the copy comes to a given step for the
// given time, as a fleet tool that stops an installer, or a power cut, would: no clean-up runs, and the
// system closes the handles. Command line: the source, the AppData folder, the file name (with its
// separator), the step's number and which time it comes (1 for the first). Exit code 0 when the copy
// ended without coming there that often, 2 for a command line it cannot read.
#include "installer/ConfigurationTransfer.h"
#include "installer/CopyStepHook.h"

#include <shellapi.h>
#include <windows.h>

#include <cwchar>

namespace {

constexpr UINT STOPPED = 3;

struct StopPoint {
    CopyStep step;
    int occurrence;
    int seen = 0;
};

bool stopThere(CopyStep step, void* context) {
    StopPoint& point = *static_cast<StopPoint*>(context);
    if (step == point.step && ++point.seen == point.occurrence) {
        TerminateProcess(GetCurrentProcess(), STOPPED);
    }
    return true;
}

} // namespace

int main() {
    int argumentCount = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    if (arguments == nullptr || argumentCount != 6) {
        return 2;
    }
    StopPoint point{static_cast<CopyStep>(std::wcstol(arguments[4], nullptr, 10)),
                    static_cast<int>(std::wcstol(arguments[5], nullptr, 10))};
    setCopyStepHook(&stopThere, &point);
    copyConfigurationFile(KString(arguments[1], KString::COPY_TEXT),
                          KString(arguments[3], KString::COPY_TEXT),
                          KString(arguments[2], KString::COPY_TEXT), nullptr);
    LocalFree(arguments);
    return 0;
}
