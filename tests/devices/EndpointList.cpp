#include "EndpointList.h"

#include "foundation/UniqueResource.h"

#include <functiondiscoverykeys_devpkey.h>
#include <mmdeviceapi.h>

#include <gtest/gtest.h>

std::vector<Endpoint> activeEndpoints() {
    std::vector<Endpoint> endpoints;
    ComReference<IMMDeviceEnumerator> enumerator;
    HRESULT result = CoCreateInstance(CLSID_MMDeviceEnumerator, nullptr, CLSCTX_ALL, IID_IMMDeviceEnumerator,
                                      reinterpret_cast<void**>(enumerator.put()));
    EXPECT_EQ(S_OK, result) << "CoCreateInstance(MMDeviceEnumerator): " << std::hex << result;
    if (FAILED(result)) {
        return endpoints;
    }
    ComReference<IMMDeviceCollection> collection;
    result = enumerator.get()->EnumAudioEndpoints(eAll, DEVICE_STATE_ACTIVE, collection.put());
    EXPECT_EQ(S_OK, result) << "EnumAudioEndpoints: " << std::hex << result;
    UINT count = 0;
    if (FAILED(result) || FAILED(collection.get()->GetCount(&count))) {
        return endpoints;
    }
    for (UINT index = 0; index < count; ++index) {
        ComReference<IMMDevice> device;
        ComReference<IPropertyStore> properties;
        UniqueCoTaskMem<wchar_t> id;
        PROPVARIANT name;
        PropVariantInit(&name);
        const bool listed = SUCCEEDED(collection.get()->Item(index, device.put())) &&
                            SUCCEEDED(device.get()->OpenPropertyStore(STGM_READ, properties.put())) &&
                            SUCCEEDED(properties.get()->GetValue(PKEY_Device_FriendlyName, &name)) &&
                            name.vt == VT_LPWSTR && SUCCEEDED(device.get()->GetId(id.put()));
        EXPECT_TRUE(listed) << "endpoint " << index << " has no readable name or identifier";
        if (listed) {
            endpoints.push_back({id.get(), name.pwszVal});
        }
        PropVariantClear(&name);
    }
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
