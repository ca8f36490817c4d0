#pragma once

#include "CheckReport.h"

#include "installer/InstallationPlan.h"

// The parts of the report on this machine that the check before a run and the verification after it
// share.

// Heads the report with its title and the folder, and makes the plan's two scans; false, once the
// report has said so, for a folder that is missing or cannot be listed.
bool beginReport(const wchar_t* title, const KString& folder, InstallationPlan& plan, CheckReport& report);

// The "Desktop user:" line, how the user was found, and the product folder; with asksAttention, what
// needs the operator's attention in them. False when no product folder can be determined.
bool reportDesktopUser(const InstallationPlan& plan, CheckReport& report, bool asksAttention);

// What stopped copies left in the product folder, and what the next run does with it; true when
// anything is there.
bool reportLeftovers(const InstallationPlan& plan, CheckReport& report);
