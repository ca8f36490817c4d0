#include "KFont.h"

namespace {

KFont* sharedDefaultFont = nullptr;

} // namespace

KFont::KFont(HFONT fontHandle, bool ownsFont) : fontHandle(fontHandle), ownsFont(ownsFont) {}

KFont* KFont::defaultFont() {
    if (sharedDefaultFont == nullptr) {
        // Stock objects are never deleted, so the default font does not own its handle.
        sharedDefaultFont = new KFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), false);
    }
    return sharedDefaultFont;
}

void KFont::releaseDefaultFont() {
    delete sharedDefaultFont;
    sharedDefaultFont = nullptr;
}

HFONT KFont::getFontHandle() {
    return fontHandle;
}

KFont::~KFont() {
    if (ownsFont) {
        DeleteObject(fontHandle);
    }
}
