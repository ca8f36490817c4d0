#pragma once

#include "foundation/KString.h"

// Installs the package with the system's msiexec.exe and a basic user interface, and returns when
// that process has ended, or at once when it cannot be started. The outcome is not reported.
void installPackage(const KString& packagePath);
