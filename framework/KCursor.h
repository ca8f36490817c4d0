#pragma once

#include <windows.h>

// One cursor loaded from the framework module's resources; empty (null) when the load failed.
class KCursor {
public:
    KCursor();
    KCursor(const KCursor&) = delete;
    KCursor& operator=(const KCursor&) = delete;
    virtual ~KCursor();

    // At the system's default cursor size. A cursor already held is destroyed first.
    void loadFromResource(WORD resourceNumber);
    HCURSOR getCursorHandle() const;

private:
    HCURSOR cursorHandle;
};
