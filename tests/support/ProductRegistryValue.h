#pragma once

#include <windows.h>

// The product's registry value, by which the installer tells that Veltrano Pro is installed:
// HKLM\SOFTWARE\Quillmark\VeltranoPro, value "Build", as the product's own package writes it. Spelt
// out here rather than taken from the installer, so that a wrong name there shows.

// Deletes the product's key in the given view (and its maker key, when nothing else is in it).
void deleteProductKey(REGSAM view);
// Writes the product's "Build" value in the given view; ERROR_SUCCESS or the failure.
LONG writeProductValue(REGSAM view, DWORD type, const void* data, DWORD byteCount);
// Creates the product's key without any value; ERROR_SUCCESS or the failure.
LONG createProductKey(REGSAM view);
// Whether the product's package wrote its "Build" value (in the 32-bit view, where its package writes).
bool isProductRegistered();

// Removes the product's key from both views before and after a test.
class ProductKeyCleanup {
public:
    ProductKeyCleanup();
    ProductKeyCleanup(const ProductKeyCleanup&) = delete;
    ProductKeyCleanup& operator=(const ProductKeyCleanup&) = delete;
    ~ProductKeyCleanup();
};
