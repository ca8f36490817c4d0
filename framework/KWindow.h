#pragma once

#include "KComponent.h"

class KIcon;

// A top-level window with a class of its own. It keeps the keyboard focus like a dialog, forwards
// control notifications to the child components they concern, and ends the thread's message loop
// when destroyed.
class KWindow : public KComponent {
public:
    KWindow();

    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    ~KWindow() override;

    virtual BOOL flashCaption();
    // Sets the class icon; the KIcon is not kept and must outlive the window.
    virtual ULONG_PTR setWindowIcon(KIcon* icon);
    virtual bool destroyWindow();
    virtual void onCloseRequest();
    virtual void onWindowDestroyed();
    // Centres the stored outer size on the whole primary screen.
    virtual void centreOnScreen();
    virtual bool addChild(KComponent* component, bool hookCreation);
    virtual bool setClientSize(int clientWidth, int clientHeight);
    virtual bool getClientSize(int* clientWidth, int* clientHeight);
    virtual void onMove();
    virtual void onResize();

protected:
    HWND lastFocused; // had the focus when this window was last deactivated; never cleared

private:
    // Hands a notification to the control's component; falls back to the default processing.
    LRESULT forwardToControl(HWND control, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleCommand(HWND window, WPARAM wParam, LPARAM lParam);
    LRESULT handleTimer(HWND window, WPARAM wParam, LPARAM lParam);
};
