#pragma once

#include <gtest/gtest.h>

#include <string>

// Byte-for-byte comparison of whole files that names the first differing offset.
::testing::AssertionResult sameBytes(const std::string& expected, const std::string& actual);
