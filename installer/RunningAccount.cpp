#include "RunningAccount.h"

#include "foundation/UniqueResource.h"

#include <windows.h>

namespace {

// The user's SID and room for its longest form.
union TokenUserInformation {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};

bool readTokenUser(TokenUserInformation& information) {
    UniqueHandle token;
    DWORD size = 0;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
           GetTokenInformation(token.get(), TokenUser, &information, sizeof(information), &size);
}

} // namespace

bool isSystemAccount() {
    TokenUserInformation information;
    return readTokenUser(information) && IsWellKnownSid(information.user.User.Sid, WinLocalSystemSid);
}

KString runningAccountName() {
    TokenUserInformation information;
    // Names of accounts and domains are at most 256 units long.
    wchar_t name[257];
    wchar_t domain[257];
    DWORD nameUnits = 257;
    DWORD domainUnits = 257;
    SID_NAME_USE use;
    if (!readTokenUser(information) || !LookupAccountSidW(nullptr, information.user.User.Sid, name,
                                                          &nameUnits, domain, &domainUnits, &use)) {
        return KString();
    }
    return KString(domain, KString::COPY_TEXT) + L"\\" + name;
}
