#include "RunningAccount.h"

KString runningAccountName() {
    RunningAccountSid sid;
    // Names of accounts and domains are at most 256 units long.
    wchar_t name[257];
    wchar_t domain[257];
    DWORD nameUnits = 257;
    DWORD domainUnits = 257;
    SID_NAME_USE use;
    if (!readRunningAccountSid(sid) ||
        !LookupAccountSidW(nullptr, sid.user.User.Sid, name, &nameUnits, domain, &domainUnits, &use)) {
        return KString();
    }
    return KString(domain, KString::COPY_TEXT) + L"\\" + name;
}
