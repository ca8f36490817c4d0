#pragma once

#include "foundation/KString.h"

// The endpoint identifier of the first active render or capture endpoint, in the enumerator's
// order, whose friendly name equals name unit for unit; empty when there is none. Enumerates afresh
// on every call. COM must be initialised on the calling thread.
KString findEndpointIdByName(const wchar_t* name);
