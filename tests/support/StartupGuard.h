#pragma once

#include <gtest/gtest.h>

// A program that starts without the C runtime's start-up code has nothing that only that code would
// set up: no global object to construct or destroy (the linker's constructor and destructor lists
// hold nothing between their end markers), no thread-local data, TLS callback or C initialiser (no TLS
// directory, no .tls or .CRT section) and no pseudo-relocation (the runtime's list is empty). Read from
// the program's file, with its link map as the index of the stripped file's symbols.
::testing::AssertionResult needsNoRuntimeStartup(const wchar_t* program, const wchar_t* linkMap);
