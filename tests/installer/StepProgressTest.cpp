#include "installer/StepProgress.h"

#include <gtest/gtest.h>

#include <vector>

TEST(StepProgress, ValuesForEveryTotal) {
    const std::vector<std::vector<int>> expected = {
        {100},
        {50, 100},
        {33, 66, 100},
        {25, 50, 75, 100},
        {20, 40, 60, 80, 100},
        {16, 33, 50, 66, 83, 99},
        {14, 28, 42, 57, 71, 85, 100},
        {12, 25, 37, 50, 62, 75, 87, 100},
    };
    for (size_t index = 0; index < expected.size(); ++index) {
        const int total = static_cast<int>(index) + 1;
        StepProgress progress(total);
        std::vector<int> values;
        for (int step = 0; step < total; ++step) {
            values.push_back(progress.advance());
        }
        EXPECT_EQ(expected[index], values) << "total " << total;
    }
}
