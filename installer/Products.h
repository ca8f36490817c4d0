#pragma once

#include <cstddef>

// The four products the installer knows, and every fact of each that detection, discovery, the run
// and the pre-flight check read: one table, so that none of them can hold a fact of its own.

// Appended to the Program Files folder; a plug-in is installed exactly when its module file exists.
constexpr wchar_t CLOCKLINE_MODULE_PATH[] = L"\\Quillmark\\VNPlugins\\Clockline\\Clockline.vp32";
constexpr wchar_t DRIFTCAST_MODULE_PATH[] = L"\\Quillmark\\VNPlugins\\Driftcast\\Driftcast.vp32";
constexpr wchar_t PANELGATE_MODULE_PATH[] = L"\\Quillmark\\VNPlugins\\Panelgate\\Panelgate.vp32";

// The package names the installer knows, per product, lowest version first. Each begins with the
// separator and is appended to the program folder; no other name is recognised.
inline constexpr const wchar_t* VELTRANO_PACKAGES[] = {
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

struct Product {
    const wchar_t* displayName;
    const wchar_t* installStatus; // shown while its package installs
    const wchar_t* const* packageNames;
    size_t packageCount;
    // Matches every name of the product's packages, versions known or not.
    const wchar_t* packagePattern;
    // Below the Program Files folder; null for the main product, which its registry value tells.
    const wchar_t* modulePath;
};

template <size_t count> constexpr size_t countOf(const wchar_t* const (&)[count]) {
    return count;
}

constexpr int PRODUCT_COUNT = 4;

// Veltrano Pro first, then the plug-ins: every scan and step keeps this order.
inline constexpr Product PRODUCTS[PRODUCT_COUNT] = {
    {L"Veltrano Pro", L"Installing Veltrano Pro...", VELTRANO_PACKAGES, countOf(VELTRANO_PACKAGES),
     L"\\VN* Setup.msi", nullptr},
    {L"Clockline Plug-In", L"Installing Clockline Plug-In...", CLOCKLINE_PACKAGES,
     countOf(CLOCKLINE_PACKAGES), L"\\Clockline Plug-In v* Setup.msi", CLOCKLINE_MODULE_PATH},
    {L"Driftcast Plug-In", L"Installing Driftcast Plug-In...", DRIFTCAST_PACKAGES,
     countOf(DRIFTCAST_PACKAGES), L"\\Driftcast Plug-In v* Setup.msi", DRIFTCAST_MODULE_PATH},
    {L"Panelgate Plug-In", L"Installing Panelgate Plug-In...", PANELGATE_PACKAGES,
     countOf(PANELGATE_PACKAGES), L"\\Panelgate Plug-In v* Setup.msi", PANELGATE_MODULE_PATH},
};
