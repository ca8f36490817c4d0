#include "EnumerationCounter.h"

#include "foundation/UniqueResource.h"

#include <mmdeviceapi.h>

namespace {

using EnumAudioEndpointsMethod = HRESULT(STDMETHODCALLTYPE*)(IMMDeviceEnumerator*, EDataFlow, DWORD,
                                                             IMMDeviceCollection**);
EnumAudioEndpointsMethod systemEnumAudioEndpoints;
unsigned long enumerations;

HRESULT STDMETHODCALLTYPE countingEnumAudioEndpoints(IMMDeviceEnumerator* enumerator, EDataFlow flow,
                                                     DWORD states, IMMDeviceCollection** endpoints) {
    ++enumerations;
    return systemEnumAudioEndpoints(enumerator, flow, states, endpoints);
}

// IUnknown's three methods come first.
constexpr int ENUM_AUDIO_ENDPOINTS_SLOT = 3;

} // namespace

bool startCountingEnumerations() {
    ComReference<IMMDeviceEnumerator> enumerator;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(enumerator.put()))) ||
        !enumerator) {
        return false;
    }
    void** const methods = *reinterpret_cast<void***>(enumerator.get());
    void** const slot = &methods[ENUM_AUDIO_ENDPOINTS_SLOT];
    DWORD oldProtection = 0;
    if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &oldProtection)) {
        return false;
    }
    systemEnumAudioEndpoints = reinterpret_cast<EnumAudioEndpointsMethod>(*slot);
    *slot = reinterpret_cast<void*>(&countingEnumAudioEndpoints);
    VirtualProtect(slot, sizeof(*slot), oldProtection, &oldProtection);
    return true;
}

unsigned long enumerationCount() {
    return enumerations;
}
