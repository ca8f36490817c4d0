#include "AudioEndpoints.h"

#include "UniquePropVariant.h"
#include "foundation/UniqueResource.h"

// The one translation unit that defines the enumerator's GUIDs and the friendly-name key.
#include <initguid.h>

#include <functiondiscoverykeys_devpkey.h>
#include <mmdeviceapi.h>

#include <cwchar>

namespace {

// A missing name, or one of another type, is not text to compare.
bool isFriendlyName(const PROPVARIANT& value, const wchar_t* name) {
    return value.vt == VT_LPWSTR && value.pwszVal != nullptr && std::wcscmp(value.pwszVal, name) == 0;
}

} // namespace

KString findEndpointIdByName(const wchar_t* name) {
    ComReference<IMMDeviceEnumerator> enumerator;
    if (FAILED(CoCreateInstance(CLSID_MMDeviceEnumerator, nullptr, CLSCTX_ALL, IID_IMMDeviceEnumerator,
                                reinterpret_cast<void**>(enumerator.put()))) ||
        !enumerator) {
        return KString();
    }
    ComReference<IMMDeviceCollection> endpoints;
    if (FAILED(enumerator.get()->EnumAudioEndpoints(eAll, DEVICE_STATE_ACTIVE, endpoints.put())) ||
        !endpoints) {
        return KString();
    }
    UINT count = 0;
    if (FAILED(endpoints.get()->GetCount(&count))) {
        return KString();
    }
    for (UINT index = 0; index < count; ++index) {
        ComReference<IMMDevice> device;
        if (FAILED(endpoints.get()->Item(index, device.put())) || !device) {
            continue;
        }
        ComReference<IPropertyStore> properties;
        if (FAILED(device.get()->OpenPropertyStore(STGM_READ, properties.put())) || !properties) {
            continue;
        }
        UniquePropVariant friendlyName;
        if (FAILED(properties.get()->GetValue(PKEY_Device_FriendlyName, friendlyName.put())) ||
            !isFriendlyName(friendlyName.get(), name)) {
            continue;
        }
        // A matching endpoint without an identifier counts as not matching.
        UniqueCoTaskMem<wchar_t> id;
        if (SUCCEEDED(device.get()->GetId(id.put())) && id) {
            return KString(id.get(), KString::COPY_TEXT);
        }
    }
    return KString();
}
