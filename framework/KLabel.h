#pragma once

#include "KComponent.h"

// One line of static text on a system "STATIC" child window; text too long ends in an ellipsis.
class KLabel : public KComponent {
public:
    KLabel();

    // Needs a parent; registers no class.
    bool createWindow(bool hookCreation) override;
    ~KLabel() override;
};
