#pragma once

#include "foundation/KString.h"

#include <windows.h>

class KCursor;
class KFont;

// The object behind one native window. Every attribute lives in a field, so a component can be
// configured before its window exists; while the window exists every setter changes both.
class KComponent {
public:
    // ownWindowClass: generate a class name and describe a class run by componentClassProc.
    // Components on system classes pass false and create their windows themselves.
    explicit KComponent(bool ownWindowClass);
    KComponent(const KComponent&) = delete;
    KComponent& operator=(const KComponent&) = delete;

    virtual void onAttach();
    // Binds to an existing window; readAttributes fills the fields from it first.
    virtual void adoptWindow(HWND window, bool readAttributes);
    virtual void setCursor(KCursor* newCursor);
    virtual KString getWindowClassName();
    // Registers the class and creates the window; hookCreation binds it before its first message.
    virtual bool createWindow(bool hookCreation);
    virtual LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // A notification the parent forwards; true when handled, with *result set.
    virtual bool handleReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual int getControlId();
    virtual void setFont(KFont* newFont);
    virtual KFont* getFont();
    virtual KString getText();
    virtual void setText(const KString& newText);
    virtual void setWindowHandle(HWND window);
    virtual HWND getWindowHandle();
    virtual void setParentHandle(HWND parent);
    virtual HWND getParentHandle();
    virtual DWORD getStyle();
    virtual void setStyle(DWORD newStyle);
    virtual DWORD getExtendedStyle();
    virtual void setExtendedStyle(DWORD newExtendedStyle);
    virtual int getX();
    virtual int getY();
    virtual int getWidth();
    virtual int getHeight();
    virtual void setSize(int newWidth, int newHeight);
    virtual void setPosition(int newX, int newY);
    virtual void setVisible(bool show);
    // False without a window; otherwise refreshes the field from the window.
    virtual bool isVisible();
    // The stored flag without a window; otherwise refreshes it from the window.
    virtual bool isEnabled();
    virtual void setEnabled(bool enable);
    virtual void bringToTop();
    virtual void takeFocus();
    virtual void redraw();
    // Leaves the native window alone (its owner destroys it first) but unbinds it if it is still
    // bound, so that no later message reaches a destroyed object.
    virtual ~KComponent();

    // The component bound to a window, or null.
    static KComponent* componentOf(HWND window);
    // Links window and component; subclasses windows whose procedure is not componentClassProc.
    static void bindWindow(HWND window, KComponent* component);
    // CreateWindowExW with the component's attributes, read through its getters.
    static HWND createNativeWindow(KComponent* component, bool hookCreation);
    static LRESULT CALLBACK componentClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK creationHook(int code, WPARAM wParam, LPARAM lParam);

protected:
    KString windowClassName;
    KString text;
    HWND windowHandle;
    HWND parentHandle;
    DWORD style;
    DWORD extendedStyle;
    int controlId;
    int x;
    int y;
    int width;
    int height;
    bool visible;
    bool enabled;
    bool classRegistered; // windowClass is registered and unregistered on destruction
    KFont* font;          // shared default font unless set, not owned
    KCursor* cursor;      // not owned
    WNDCLASSEXW windowClass;
};
