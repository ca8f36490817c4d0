#pragma once

#include <string>
#include <vector>

// This machine's active render and capture endpoints, read through the Core Audio enumerator in its
// own order, so that tests never assume identifiers or an order. COM must be initialised.
struct Endpoint {
    std::wstring id;
    std::wstring name;
};

std::vector<Endpoint> activeEndpoints();

// The identifier of the first listed endpoint with that name; empty when there is none.
std::wstring firstEndpointId(const std::vector<Endpoint>& endpoints, const std::wstring& name);
