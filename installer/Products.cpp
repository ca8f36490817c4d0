#include "Products.h"

namespace {

// Room for the longest package name and its terminator.
constexpr int PACKAGE_NAME_UNITS = 40;

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
     L" Setup.msi", L"\\Quillmark\\VNPlugins\\Clockline\\Clockline.vp32"},
    {L"Driftcast Plug-In", L"Installing Driftcast Plug-In...", L"\\Driftcast Plug-In v", L"1.0", 5,
     L" Setup.msi", L"\\Quillmark\\VNPlugins\\Driftcast\\Driftcast.vp32"},
    {L"Panelgate Plug-In", L"Installing Panelgate Plug-In...", L"\\Panelgate Plug-In v", L"1.0", 5,
     L" Setup.msi", L"\\Quillmark\\VNPlugins\\Panelgate\\Panelgate.vp32"},
};

// Every name fits the buffer, and counting up the version's last digit stays within the digits.
constexpr bool isEveryPackageNameMade() {
    for (const Product& product : PRODUCTS) {
        const int versionLength = lengthOf(product.firstVersion);
        const int length =
            lengthOf(product.packageNameStart) + versionLength + lengthOf(product.packageNameEnd);
        if (length >= PACKAGE_NAME_UNITS ||
            product.firstVersion[versionLength - 1] + product.packageCount - 1 > L'9') {
            return false;
        }
    }
    return true;
}
static_assert(isEveryPackageNameMade());

KString packageName(const Product& product, int version) {
    wchar_t name[PACKAGE_NAME_UNITS];
    wchar_t* const versionEnd = append(append(name, product.packageNameStart), product.firstVersion);
    versionEnd[-1] = static_cast<wchar_t>(versionEnd[-1] + version);
    *append(versionEnd, product.packageNameEnd) = L'\0';
    return KString(name, KString::COPY_TEXT);
}

KString packagePattern(const Product& product) {
    return KString(product.packageNameStart, KString::REFER_STATIC) + L"*" + product.packageNameEnd;
}
