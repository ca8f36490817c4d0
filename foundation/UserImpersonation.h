#pragma once

#include <windows.h>

// The calling thread acting with the rights of the user whose token it is, for the life of the
// object: what the thread opens or creates meanwhile is checked against that user's rights, and what
// it creates belongs to that user. A handle opened meanwhile keeps the access it was granted.
class UserImpersonation {
public:
    // A null token leaves the thread with the running account's rights. A primary token needs
    // TOKEN_QUERY | TOKEN_DUPLICATE.
    explicit UserImpersonation(HANDLE userToken);
    UserImpersonation(const UserImpersonation&) = delete;
    UserImpersonation& operator=(const UserImpersonation&) = delete;
    virtual ~UserImpersonation();

    // False when a token was given but its user's rights could not be taken: the thread then has the
    // running account's rights, which must not be used in that user's place.
    explicit operator bool() const { return acting; }

private:
    bool impersonating;
    bool acting;
};
