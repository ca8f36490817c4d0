#include "RunningAccount.h"

#include "foundation/UniqueResource.h"

bool readRunningAccountSid(RunningAccountSid& sid) {
    UniqueHandle token;
    DWORD size = 0;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
           GetTokenInformation(token.get(), TokenUser, &sid, sizeof(sid), &size);
}

bool isSystemAccount() {
    RunningAccountSid sid;
    return readRunningAccountSid(sid) && IsWellKnownSid(sid.user.User.Sid, WinLocalSystemSid);
}
