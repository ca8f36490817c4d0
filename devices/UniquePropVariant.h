#pragma once

#include <propidl.h>
#include <windows.h>

// Owns one PROPVARIANT: zero-initialised when made, cleared when destroyed.
class UniquePropVariant {
public:
    UniquePropVariant() { PropVariantInit(&value); }
    UniquePropVariant(const UniquePropVariant&) = delete;
    UniquePropVariant& operator=(const UniquePropVariant&) = delete;
    ~UniquePropVariant() { PropVariantClear(&value); }

    const PROPVARIANT& get() const { return value; }

    // For out-parameters: clears what is held before handing out the address.
    PROPVARIANT* put() {
        PropVariantClear(&value);
        return &value;
    }

private:
    PROPVARIANT value;
};
