#pragma once

#include <windows.h>

// devices_test_probe NAME tells in its exit code how a process that starts then sees the endpoints
// named NAME: Wine's audio stack lists the devices that were there when the process first asked.
// The code is the DEVICE_STATE_ value of the first endpoint with that name that the enumerator lists
// under DEVICE_STATEMASK_ALL (0 when it lists none), with these bits added.
constexpr DWORD PROBE_LOOKUP_GIVES_IT = 0x10;      // findEndpointIdByName gives that endpoint's identifier
constexpr DWORD PROBE_LOOKUP_GIVES_ANOTHER = 0x20; // it gives another identifier
constexpr DWORD PROBE_FAILED = 0x40;               // no single name given, or no list
