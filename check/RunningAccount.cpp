#include "RunningAccount.h"

#include "foundation/UniqueResource.h"

#include <windows.h>

bool isSystemAccount() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return false;
    }
    // The user's SID and room for its longest form.
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } information;
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenUser, &information, sizeof(information), &size) &&
           IsWellKnownSid(information.user.User.Sid, WinLocalSystemSid);
}
