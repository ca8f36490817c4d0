#include "KCursor.h"

#include "FrameworkCore.h"

KCursor::KCursor() : cursorHandle(nullptr) {}

KCursor::~KCursor() {
    if (cursorHandle != nullptr) {
        DestroyCursor(cursorHandle);
    }
}

void KCursor::loadFromResource(WORD resourceNumber) {
    if (cursorHandle != nullptr) {
        DestroyCursor(cursorHandle);
    }
    cursorHandle = static_cast<HCURSOR>(
        LoadImageW(frameworkModule, MAKEINTRESOURCEW(resourceNumber), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
}

HCURSOR KCursor::getCursorHandle() const {
    return cursorHandle;
}
