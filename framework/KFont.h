#pragma once

#include <windows.h>

// One GDI font, deleted with the object only when owned.
class KFont {
public:
    KFont(HFONT fontHandle, bool ownsFont);
    KFont(const KFont&) = delete;
    KFont& operator=(const KFont&) = delete;

    // The stock GUI font, one object per process, made on first use; never null.
    static KFont* defaultFont();
    // Deletes the default font object (the stock font itself stays); for shutdownFramework.
    static void releaseDefaultFont();

    virtual HFONT getFontHandle();
    virtual ~KFont();

private:
    HFONT fontHandle;
    bool ownsFont;
};
