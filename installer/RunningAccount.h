#pragma once

#include "foundation/KString.h"

#include <windows.h>

// The account this process runs as.

// Its SID, in room for the longest one.
union RunningAccountSid {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};
bool readRunningAccountSid(RunningAccountSid& sid);

// True when it is the local system account, as fleet tools start install commands.
bool isSystemAccount();

// "DOMAIN\name"; empty when it cannot be named. In a file of its own, so that only the check, which
// names the account, imports the lookup of names.
KString runningAccountName();
