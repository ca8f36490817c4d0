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
    return 0;
}
