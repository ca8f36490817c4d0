#pragma once

#include "foundation/KString.h"

// The four products the installer knows, and every fact of each that detection, discovery, the run
// and the pre-flight check read: one table, so that none of them can hold a fact of its own.

struct Product {
    const wchar_t* displayName;
    const wchar_t* installStatus; // shown while its package installs
    // The names of the product's packages are packageNameStart, a version and packageNameEnd. The
    // versions are firstVersion and the packageCount - 1 after it in its last digit ("1.5.1" to
    // "1.5.9"), lowest first. Kept as the parts they are made of rather than spelt out, since the
    // names alone would take more than a kilobyte of the program.
    const wchar_t* packageNameStart; // begins with the separator
    const wchar_t* firstVersion;
    int packageCount;
    const wchar_t* packageNameEnd;
    // Below the Program Files folder: a plug-in is installed exactly when its module file exists. Null
    // for the main product, which its registry value tells.
    const wchar_t* modulePath;

    constexpr bool isMainProduct() const { return modulePath == nullptr; }
};

// The products by name, as indices of PRODUCTS.
enum ProductIndex : int { VELTRANO_PRO, CLOCKLINE, DRIFTCAST, PANELGATE, PRODUCT_COUNT };

// Veltrano Pro first, then the plug-ins: every scan and step keeps this order. Defined once, in
// Products.cpp: a table defined in this header would bring a copy of its texts into every file that
// reads it.
extern const Product PRODUCTS[PRODUCT_COUNT];

// The name of the product's package of one of its versions, 0 (the lowest) to packageCount - 1,
// beginning with the separator; empty when out of memory. Names are made, never parsed: discovery
// recognises no other.
KString packageName(const Product& product, int version);
// Matches every name of the product's packages, versions known or not.
KString packagePattern(const Product& product);
