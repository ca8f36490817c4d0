#pragma once

#include <windows.h>

// One icon loaded from the framework module's resources; empty (null) when the load failed.
class KIcon {
public:
    KIcon();
    KIcon(const KIcon&) = delete;
    KIcon& operator=(const KIcon&) = delete;
    virtual ~KIcon();

    // At the system's default icon size. An icon already held is destroyed first.
    void loadFromResource(WORD resourceNumber);
    HICON getIconHandle() const;

private:
    HICON iconHandle;
};
