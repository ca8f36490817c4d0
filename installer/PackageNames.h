#pragma once

#include <cstddef>

// The package names the installer knows, per product, lowest version first. Each begins with the
// separator and is appended to the program folder; no other name is recognised.
inline constexpr const wchar_t* PRODUCT_PACKAGES[] = {
    L"\\VN1.5.1 Setup.msi", L"\\VN1.5.2 Setup.msi", L"\\VN1.5.3 Setup.msi",
    L"\\VN1.5.4 Setup.msi", L"\\VN1.5.5 Setup.msi", L"\\VN1.5.6 Setup.msi",
    L"\\VN1.5.7 Setup.msi", L"\\VN1.5.8 Setup.msi", L"\\VN1.5.9 Setup.msi",
};

inline constexpr const wchar_t* CLOCKLINE_PACKAGES[] = {
    L"\\Clockline Plug-In v1.0 Setup.msi", L"\\Clockline Plug-In v1.1 Setup.msi",
    L"\\Clockline Plug-In v1.2 Setup.msi", L"\\Clockline Plug-In v1.3 Setup.msi",
    L"\\Clockline Plug-In v1.4 Setup.msi",
};

inline constexpr const wchar_t* DRIFTCAST_PACKAGES[] = {
    L"\\Driftcast Plug-In v1.0 Setup.msi", L"\\Driftcast Plug-In v1.1 Setup.msi",
    L"\\Driftcast Plug-In v1.2 Setup.msi", L"\\Driftcast Plug-In v1.3 Setup.msi",
    L"\\Driftcast Plug-In v1.4 Setup.msi",
};

inline constexpr const wchar_t* PANELGATE_PACKAGES[] = {
    L"\\Panelgate Plug-In v1.0 Setup.msi", L"\\Panelgate Plug-In v1.1 Setup.msi",
    L"\\Panelgate Plug-In v1.2 Setup.msi", L"\\Panelgate Plug-In v1.3 Setup.msi",
    L"\\Panelgate Plug-In v1.4 Setup.msi",
};

struct PackageNames {
    const wchar_t* const* names;
    size_t count;
};

// In the order Veltrano Pro, Clockline, Driftcast, Panelgate, as every scan and step treats them.
inline constexpr PackageNames PACKAGE_NAMES[] = {
    {PRODUCT_PACKAGES, sizeof(PRODUCT_PACKAGES) / sizeof(PRODUCT_PACKAGES[0])},
    {CLOCKLINE_PACKAGES, sizeof(CLOCKLINE_PACKAGES) / sizeof(CLOCKLINE_PACKAGES[0])},
    {DRIFTCAST_PACKAGES, sizeof(DRIFTCAST_PACKAGES) / sizeof(DRIFTCAST_PACKAGES[0])},
    {PANELGATE_PACKAGES, sizeof(PANELGATE_PACKAGES) / sizeof(PANELGATE_PACKAGES[0])},
};
