#pragma once

#include <windows.h>

// Process-wide framework state, valid from the first initFramework to the matching last
// shutdownFramework. Both run on the main thread only.
extern HINSTANCE frameworkModule;     // module whose classes, windows and resources the framework uses
extern CRITICAL_SECTION creationLock; // hooked creations of one thread at a time, each until bound
extern ATOM componentAtom;            // window property: the bound KComponent
extern ATOM oldProcAtom;              // window property: the procedure the window had when bound

// A null module means the image that holds the framework's code. Calls nest; only the first one
// initialises.
void initFramework(HINSTANCE module);
void shutdownFramework();
