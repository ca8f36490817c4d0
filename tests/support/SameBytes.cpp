#include "SameBytes.h"

::testing::AssertionResult sameBytes(const std::string& expected, const std::string& actual) {
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure() << "size " << actual.size() << ", expected " << expected.size();
    }
    for (size_t offset = 0; offset < expected.size(); ++offset) {
        if (expected[offset] != actual[offset]) {
            return ::testing::AssertionFailure()
                   << "first difference at offset " << offset << ": "
                   << (static_cast<unsigned>(actual[offset]) & 0xFF) << ", expected "
                   << (static_cast<unsigned>(expected[offset]) & 0xFF);
        }
    }
    return ::testing::AssertionSuccess();
}
