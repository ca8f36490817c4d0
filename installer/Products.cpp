#include "Products.h"

#include <cstdlib>

namespace {

// Copies the text without its terminator; returns the end of the copy.
wchar_t* append(wchar_t* destination, const wchar_t* text) {
    while (*text != L'\0') {
        *destination++ = *text++;
    }
    return destination;
}

} // namespace

constexpr Product PRODUCTS[PRODUCT_COUNT] = {
    {L"Veltrano Pro", L"Installing Veltrano Pro...", L"\\VN", L"1.5.1", 9, L" Setup.msi", nullptr},
    {L"Clockline Plug-In", L"Installing Clockline Plug-In...", L"\\Clockline Plug-In v", L"1.0", 5,
     L" Setup.msi", CLOCKLINE_MODULE_PATH},
    {L"Driftcast Plug-In", L"Installing Driftcast Plug-In...", L"\\Driftcast Plug-In v", L"1.0", 5,
     L" Setup.msi", DRIFTCAST_MODULE_PATH},
    {L"Panelgate Plug-In", L"Installing Panelgate Plug-In...", L"\\Panelgate Plug-In v", L"1.0", 5,
     L" Setup.msi", PANELGATE_MODULE_PATH},
};

KString packageName(const Product& product, int version) {
    const int length = lstrlenW(product.packageNameStart) + lstrlenW(product.firstVersion) +
                       lstrlenW(product.packageNameEnd);
    wchar_t* const name =
        static_cast<wchar_t*>(std::malloc((static_cast<size_t>(length) + 1) * sizeof(wchar_t)));
    if (name == nullptr) {
        return KString();
    }
    wchar_t* end = append(append(name, product.packageNameStart), product.firstVersion);
    end[-1] = static_cast<wchar_t>(end[-1] + version);
    *append(end, product.packageNameEnd) = L'\0';
    return KString(name, KString::ADOPT_BUFFER, length);
}

KString packagePattern(const Product& product) {
    return KString(product.packageNameStart, KString::REFER_STATIC) + L"*" + product.packageNameEnd;
}
