#include "EndpointList.h"

#include "foundation/UniqueResource.h"

#include <functiondiscoverykeys_devpkey.h>
#include <mmdeviceapi.h>

#include <gtest/gtest.h>

HRESULT listEndpoints(DWORD stateMask, std::vector<Endpoint>& endpoints, UINT& unreadable) {
    ComReference<IMMDeviceEnumerator> enumerator;
    HRESULT result = CoCreateInstance(CLSID_MMDeviceEnumerator, nullptr, CLSCTX_ALL, IID_IMMDeviceEnumerator,
                                      reinterpret_cast<void**>(enumerator.put()));
    if (FAILED(result)) {
        return result;
    }
    ComReference<IMMDeviceCollection> collection;
    result = enumerator.get()->EnumAudioEndpoints(eAll, stateMask, collection.put());
    if (FAILED(result)) {
        return result;
    }
    UINT count = 0;
    result = collection.get()->GetCount(&count);
    if (FAILED(result)) {
        return result;
    }
    for (UINT index = 0; index < count; ++index) {
        ComReference<IMMDevice> device;
        ComReference<IPropertyStore> properties;
        UniqueCoTaskMem<wchar_t> id;
        DWORD state = 0;
        PROPVARIANT name;
        PropVariantInit(&name);
        const bool listed = SUCCEEDED(collection.get()->Item(index, device.put())) &&
                            SUCCEEDED(device.get()->OpenPropertyStore(STGM_READ, properties.put())) &&
                            SUCCEEDED(properties.get()->GetValue(PKEY_Device_FriendlyName, &name)) &&
                            name.vt == VT_LPWSTR && SUCCEEDED(device.get()->GetId(id.put())) &&
                            SUCCEEDED(device.get()->GetState(&state));
        if (listed) {
            endpoints.push_back({id.get(), name.pwszVal, state});
        } else {
            ++unreadable;
        }
        PropVariantClear(&name);
    }
    return S_OK;
}

std::vector<Endpoint> activeEndpoints() {
    std::vector<Endpoint> endpoints;
    UINT unreadable = 0;
    const HRESULT result = listEndpoints(DEVICE_STATE_ACTIVE, endpoints, unreadable);
    EXPECT_EQ(S_OK, result) << "listing the active endpoints: " << std::hex << result;
    EXPECT_EQ(0u, unreadable) << "active endpoints without a readable name or identifier";
    return endpoints;
}

std::wstring firstEndpointId(const std::vector<Endpoint>& endpoints, const std::wstring& name) {
    for (const Endpoint& endpoint : endpoints) {
        if (endpoint.name == name) {
            return endpoint.id;
        }
    }
    return std::wstring();
}
