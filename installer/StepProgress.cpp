#include "StepProgress.h"

StepProgress::StepProgress(int total) : increment(100.0f / static_cast<float>(total)), accumulated(0.0f) {}

int StepProgress::advance() {
    accumulated = increment + accumulated;
    return static_cast<int>(accumulated);
}
