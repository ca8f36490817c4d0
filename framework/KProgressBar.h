#pragma once

#include "KComponent.h"

// A smooth common-controls progress bar with the range 0 to 100.
class KProgressBar : public KComponent {
public:
    KProgressBar();

    // Needs a parent; registers no class. Shows the value stored before creation.
    bool createWindow(bool hookCreation) override;
    ~KProgressBar() override;

    virtual int getValue();
    // Not clamped: the control keeps its own position within the range.
    virtual void setValue(int newValue);

protected:
    int value;
};
