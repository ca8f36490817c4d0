#pragma once

#include "CheckReport.h"

#include "foundation/KString.h"

struct SessionQueries;

// Reports, after the installer has run from folder in the same context, whether everything the folder
// offers took effect: each product it offers a package of is installed; each configuration file it
// offers is in the desktop user's product folder with the bytes the run leaves (the source's, with
// the identifiers the rewrite stores); no interrupted copy left anything there. Changes nothing.
// Returns the exit code. COM must be initialised on the calling thread. sessions: what finding the
// desktop user asks of the system; null for the system's own answers.
int verifyFolder(const KString& folder, CheckReport& report, const SessionQueries* sessions = nullptr);
