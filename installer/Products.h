#pragma once

#include <cstddef>

// The four products the installer knows, and every fact of each that detection, discovery, the run
// and the pre-flight check read: one table, so that none of them can hold a fact of its own.

// Appended to the Program Files folder; a plug-in is installed exactly when its module file exists.
constexpr wchar_t CLOCKLINE_MODULE_PATH[] = L"\\Quillmark\\VNPlugins\\Clockline\\Clockline.vp32";
constexpr wchar_t DRIFTCAST_MODULE_PATH[] = L"\\Quillmark\\VNPlugins\\Driftcast\\Driftcast.vp32";
constexpr wchar_t PANELGATE_MODULE_PATH[] = L"\\Quillmark\\VNPlugins\\Panelgate\\Panelgate.vp32";

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

constexpr int PRODUCT_COUNT = 4;

// Veltrano Pro first, then the plug-ins: every scan and step keeps this order. Defined once, in
// Products.cpp: a table defined in this header would bring a copy of its texts into every file that
// reads it.
extern const Product PRODUCTS[PRODUCT_COUNT];
