#include "ProductRegistryValue.h"

#include "foundation/UniqueResource.h"

namespace {

constexpr wchar_t MAKER_KEY[] = L"SOFTWARE\\Quillmark";
constexpr wchar_t PRODUCT_KEY[] = L"SOFTWARE\\Quillmark\\VeltranoPro";
constexpr wchar_t PRODUCT_VALUE[] = L"Build";

} // namespace

void deleteProductKey(REGSAM view) {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_KEY, view, 0);
    // Fails harmlessly while other keys of the maker are there.
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, MAKER_KEY, view, 0);
}

LONG createProductKey(REGSAM view) {
    UniqueRegistryKey key;
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, nullptr, 0, KEY_WRITE | view, nullptr,
                           key.put(), nullptr);
}

LONG writeProductValue(REGSAM view, DWORD type, const void* data, DWORD byteCount) {
    UniqueRegistryKey key;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, nullptr, 0, KEY_WRITE | view,
                                         nullptr, key.put(), nullptr);
    if (created != ERROR_SUCCESS) {
        return created;
    }
    return RegSetValueExW(key.get(), PRODUCT_VALUE, 0, type, static_cast<const BYTE*>(data), byteCount);
}

bool isProductRegistered() {
    UniqueRegistryKey key;
    DWORD value = 0;
    DWORD size = sizeof value;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, KEY_READ | KEY_WOW64_32KEY, key.put()) ==
               ERROR_SUCCESS &&
           RegQueryValueExW(key.get(), PRODUCT_VALUE, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                            &size) == ERROR_SUCCESS;
}

ProductKeyCleanup::ProductKeyCleanup() {
    deleteProductKey(KEY_WOW64_32KEY);
    deleteProductKey(KEY_WOW64_64KEY);
}

ProductKeyCleanup::~ProductKeyCleanup() {
    deleteProductKey(KEY_WOW64_32KEY);
    deleteProductKey(KEY_WOW64_64KEY);
}
