#pragma once

#include "foundation/KString.h"

// True when this process runs as the local system account, as fleet tools start install commands.
bool isSystemAccount();

// The account this process runs as, "DOMAIN\\name"; empty when it cannot be named.
KString runningAccountName();
