#include "InstallerApplication.h"

#include "InstallerWindow.h"

int InstallerApplication::main(KString**, int) {
    InstallerWindow window;
    // Without a window or a worker nothing would ever close the program.
    if (window.getWindowHandle() == nullptr) {
        return 0;
    }
    window.centreOnScreen();
    window.setVisible(true);
    if (!window.startInstallation()) {
        window.destroyWindow();
    }
    KApplication::runMessageLoop();
    // A quit posted from outside ends the loop early, while the worker still runs and reads this
    // window: the window handles its messages on until the worker has ended, and only then goes.
    window.waitForInstallation();
    return 0;
}
