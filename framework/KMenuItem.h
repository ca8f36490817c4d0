#pragma once

// What a window's menu command reaches, looked up in the registry's menu-item list.
class KMenuItem {
public:
    virtual ~KMenuItem() = default;
    virtual void onMenuItemPress() = 0;
};
