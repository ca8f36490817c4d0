#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The machine's render and capture endpoints, read through the Core Audio enumerator in its own
// order, so that tests never assume identifiers or an order. COM must be initialised.
struct Endpoint {
    std::wstring id;
    std::wstring name;
    DWORD state; // one DEVICE_STATE_ value
};

// The endpoints listed in one of the states of the mask; an endpoint whose name or identifier cannot
// be read is counted in unreadable instead. S_OK, or the enumerator's failure.
HRESULT listEndpoints(DWORD stateMask, std::vector<Endpoint>& endpoints, UINT& unreadable);

// The active endpoints; fails the running test when they cannot all be read.
std::vector<Endpoint> activeEndpoints();

// The identifier of the first listed endpoint with that name; empty when there is none.
std::wstring firstEndpointId(const std::vector<Endpoint>& endpoints, const std::wstring& name);
