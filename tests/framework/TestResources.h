#pragma once

// Resource numbers of the test program's own module.
constexpr unsigned short TEST_ICON = 7;
constexpr unsigned short TEST_CURSOR = 8;
constexpr unsigned short MISSING_RESOURCE = 4242;
