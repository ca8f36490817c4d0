#pragma once

#include "foundation/KString.h"

// Base of the program's application object; the entry makes one and drives it.
class KApplication {
public:
    KApplication() = default;
    KApplication(const KApplication&) = delete;
    KApplication& operator=(const KApplication&) = delete;

    // The result becomes the process exit code.
    virtual int main(KString** arguments, int argumentCount);
    virtual bool allowsMultipleInstances();
    // Runs instead of main when another instance holds the mutex.
    virtual int onAnotherInstance(KString** arguments, int argumentCount);
    virtual const wchar_t* mutexName();
    virtual ~KApplication() = default;

    // The calling thread's message loop, with dialog keyboard handling for the active window. Runs
    // until WM_QUIT and returns its exit code, or -1 if reading the queue fails.
    static int runMessageLoop();
};
