#include "CopyStepHook.h"

namespace {

CopyStepHook currentHook = nullptr;
void* currentContext = nullptr;

} // namespace

void setCopyStepHook(CopyStepHook hook, void* context) {
    currentHook = hook;
    currentContext = context;
}

bool copyStepAllowed(CopyStep step) {
    return currentHook == nullptr || currentHook(step, currentContext);
}
