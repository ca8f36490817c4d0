#pragma once

#include "framework/KApplication.h"

// Shows the installer window and runs the message loop until the installation closes it. Several
// installers may run at once.
class InstallerApplication : public KApplication {
public:
    // The arguments are ignored; the result is always 0.
    int main(KString** arguments, int argumentCount) override;
};
