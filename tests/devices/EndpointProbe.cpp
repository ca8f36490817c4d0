// The endpoint probe (EndpointProbe.h), a process of its own for each question.
#include "EndpointProbe.h"
#include "devices/AudioEndpoints.h"
#include "support/EndpointList.h"

#include <mmdeviceapi.h>
#include <objbase.h>
#include <shellapi.h>

namespace {

DWORD probe(const std::wstring& name) {
    std::vector<Endpoint> endpoints;
    UINT unreadable = 0;
    if (FAILED(listEndpoints(DEVICE_STATEMASK_ALL, endpoints, unreadable))) {
        return PROBE_FAILED;
    }
    DWORD seen = 0;
    std::wstring listedId;
    for (const Endpoint& endpoint : endpoints) {
        if (endpoint.name == name) {
            seen = endpoint.state;
            listedId = endpoint.id;
            break;
        }
    }
    const KString found = findEndpointIdByName(name.c_str());
    if (!found.isEmpty()) {
        const bool same = std::wstring(found.text(), static_cast<size_t>(found.length())) == listedId;
        seen |= same ? PROBE_LOOKUP_GIVES_IT : PROBE_LOOKUP_GIVES_ANOTHER;
    }
    return seen;
}

} // namespace

int main() {
    int argumentCount = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    if (arguments == nullptr || argumentCount != 2) {
        return PROBE_FAILED;
    }
    const std::wstring name = arguments[1];
    LocalFree(arguments);
    if (FAILED(CoInitialize(nullptr))) {
        return PROBE_FAILED;
    }
    const DWORD seen = probe(name);
    CoUninitialize();
    return static_cast<int>(seen);
}
