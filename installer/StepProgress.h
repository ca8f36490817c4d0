#pragma once

// The progress of the installation steps, accumulated in single-precision float: totals that do not
// divide 100 end just below it (six steps end at 99). The i686 build needs SSE arithmetic for that.
class StepProgress {
public:
    // total greater than 0.
    explicit StepProgress(int total);

    // Adds one step's share and gives the percentage, truncated toward zero.
    int advance();

private:
    float increment;
    float accumulated;
};
