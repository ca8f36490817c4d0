#include "KIcon.h"

#include "FrameworkCore.h"

KIcon::KIcon() : iconHandle(nullptr) {}

KIcon::~KIcon() {
    if (iconHandle != nullptr) {
        DestroyIcon(iconHandle);
    }
}

void KIcon::loadFromResource(WORD resourceNumber) {
    if (iconHandle != nullptr) {
        DestroyIcon(iconHandle);
    }
    iconHandle = static_cast<HICON>(
        LoadImageW(frameworkModule, MAKEINTRESOURCEW(resourceNumber), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

HICON KIcon::getIconHandle() const {
    return iconHandle;
}
