#pragma once

#include "CheckReport.h"

#include "foundation/KString.h"

// Reports what the device identifier update would do to a copy of the database at path: each stored
// device the walk reaches and its decision, the devices that would keep their old identifiers, and
// where a short or malformed file ends the walk. Reads the file, never writes it. COM must be
// initialised on the calling thread.
void checkDatabase(const KString& path, CheckReport& report);
