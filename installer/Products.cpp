#include "Products.h"

namespace {

// The package names the installer knows, per product, lowest version first. Each begins with the
// separator and is appended to the program folder; no other name is recognised.
constexpr const wchar_t* VELTRANO_PACKAGES[] = {
    L"\\VN1.5.1 Setup.msi", L"\\VN1.5.2 Setup.msi", L"\\VN1.5.3 Setup.msi",
    L"\\VN1.5.4 Setup.msi", L"\\VN1.5.5 Setup.msi", L"\\VN1.5.6 Setup.msi",
    L"\\VN1.5.7 Setup.msi", L"\\VN1.5.8 Setup.msi", L"\\VN1.5.9 Setup.msi",
};

constexpr const wchar_t* CLOCKLINE_PACKAGES[] = {
    L"\\Clockline Plug-In v1.0 Setup.msi", L"\\Clockline Plug-In v1.1 Setup.msi",
    L"\\Clockline Plug-In v1.2 Setup.msi", L"\\Clockline Plug-In v1.3 Setup.msi",
    L"\\Clockline Plug-In v1.4 Setup.msi",
};

constexpr const wchar_t* DRIFTCAST_PACKAGES[] = {
    L"\\Driftcast Plug-In v1.0 Setup.msi", L"\\Driftcast Plug-In v1.1 Setup.msi",
    L"\\Driftcast Plug-In v1.2 Setup.msi", L"\\Driftcast Plug-In v1.3 Setup.msi",
    L"\\Driftcast Plug-In v1.4 Setup.msi",
};

constexpr const wchar_t* PANELGATE_PACKAGES[] = {
    L"\\Panelgate Plug-In v1.0 Setup.msi", L"\\Panelgate Plug-In v1.1 Setup.msi",
    L"\\Panelgate Plug-In v1.2 Setup.msi", L"\\Panelgate Plug-In v1.3 Setup.msi",
    L"\\Panelgate Plug-In v1.4 Setup.msi",
};

template <size_t count> constexpr size_t countOf(const wchar_t* const (&)[count]) {
    return count;
}

} // namespace

constexpr Product PRODUCTS[PRODUCT_COUNT] = {
    {L"Veltrano Pro", L"Installing Veltrano Pro...", VELTRANO_PACKAGES, countOf(VELTRANO_PACKAGES),
     L"\\VN* Setup.msi", nullptr},
    {L"Clockline Plug-In", L"Installing Clockline Plug-In...", CLOCKLINE_PACKAGES,
     countOf(CLOCKLINE_PACKAGES), L"\\Clockline Plug-In v* Setup.msi", CLOCKLINE_MODULE_PATH},
    {L"Driftcast Plug-In", L"Installing Driftcast Plug-In...", DRIFTCAST_PACKAGES,
     countOf(DRIFTCAST_PACKAGES), L"\\Driftcast Plug-In v* Setup.msi", DRIFTCAST_MODULE_PATH},
    {L"Panelgate Plug-In", L"Installing Panelgate Plug-In...", PANELGATE_PACKAGES,
     countOf(PANELGATE_PACKAGES), L"\\Panelgate Plug-In v* Setup.msi", PANELGATE_MODULE_PATH},
};
