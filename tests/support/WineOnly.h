#pragma once

// The suite runs under Wine. An expectation that holds there but not on Windows is marked where it
// stands, as Wine's own tests mark theirs (todo_wine, broken()), so that a reader knows which
// assertions Windows would judge differently:
//
//     EXPECT_EQ(wineOnly(CopyDecision::DESTINATION_KEPT, "REPLACE: Windows opens the link itself"),
//     decision);
//
// The value is Wine's answer, which the test expects; the text says what Windows would answer, where
// that is known, and why. A fact of the platform that a test's set-up relies on, rather than an
// expected value, is marked by a comment of the same name:
//
//     // wineOnly: <what Wine does>; <what Windows does instead>
template <typename T> constexpr T wineOnly(T underWine, const char* onWindows) {
    static_cast<void>(onWindows);
    return underWine;
}
