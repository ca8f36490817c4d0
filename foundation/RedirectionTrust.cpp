#include "RedirectionTrust.h"

#include "SystemLibrary.h"

#include <windows.h>

bool enforceRedirectionTrust() {
    // Looked up at run time: an import of it would stop the program starting where it is missing.
    using SetProcessMitigationPolicyFunction = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);
    const auto setProcessMitigationPolicy = reinterpret_cast<SetProcessMitigationPolicyFunction>(
        reinterpret_cast<void*>(kernel32Export("SetProcessMitigationPolicy")));
    if (setProcessMitigationPolicy == nullptr) {
        return false;
    }
    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY policy = {};
    policy.EnforceRedirectionTrust = 1;
    return setProcessMitigationPolicy(ProcessRedirectionTrustPolicy, &policy, sizeof(policy)) != FALSE;
}
