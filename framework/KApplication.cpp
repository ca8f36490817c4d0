#include "KApplication.h"

#include <windows.h>

int KApplication::main(KString**, int) {
    return 0;
}

bool KApplication::allowsMultipleInstances() {
    return true;
}

int KApplication::onAnotherInstance(KString**, int) {
    return 0;
}

const wchar_t* KApplication::mutexName() {
    return L"NXF_APPLICATION";
}

int KApplication::runMessageLoop() {
    MSG message;
    BOOL received;
    // GetMessageW gives -1 on failure; looping on it would spin for ever.
    while ((received = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!IsDialogMessageW(GetActiveWindow(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return received == 0 ? static_cast<int>(message.wParam) : -1;
}
