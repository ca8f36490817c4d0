#pragma once

#include "KWindow.h"

// A KWindow with a caption, a system menu and a minimise box.
class KFrame : public KWindow {
public:
    KFrame();
    ~KFrame() override;
};
