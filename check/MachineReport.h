#pragma once

#include "CheckReport.h"

#include "installer/InstallationPlan.h"

// The parts of the report on this machine that the check before a run and the verification after it
// share.

// True for an existing folder whose entries can be listed.
bool isReadableFolder(const KString& folder);

// The "Desktop user:" line, how the user was found, and the product folder; with asksAttention, what
// needs the operator's attention in them. False when no product folder can be determined.
bool reportDesktopUser(const InstallationPlan& plan, CheckReport& report, bool asksAttention);

// What stopped copies left in the product folder, and what the next run does with it; true when
// anything is there.
bool reportLeftovers(const InstallationPlan& plan, CheckReport& report);
