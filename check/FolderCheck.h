#pragma once

#include "CheckReport.h"

#include "foundation/KString.h"

struct SessionQueries;

// Reports what the installer would do on this machine if it were started in folder: the plan its
// run would make (what is installed, the packages it would install and those it would pass over, the
// configuration files it would copy and what the rewrite would do to each database, the steps and
// least time of the run). Returns the exit code. COM must be initialised on the calling thread.
// sessions: what finding the desktop user asks of the system; null for the system's own answers.
int checkFolder(const KString& folder, CheckReport& report, const SessionQueries* sessions = nullptr);
