#pragma once

#include "foundation/KString.h"

// The folder of the running program's file, without a trailing separator; empty on failure.
KString getProgramFolder();

// Each returns the program folder joined with the first of its product's package names that exists
// there as a file, trying the lowest version first; empty when none does.
KString findProductPackage(const KString& programFolder);
KString findClocklinePackage(const KString& programFolder);
KString findDriftcastPackage(const KString& programFolder);
KString findPanelgatePackage(const KString& programFolder);
