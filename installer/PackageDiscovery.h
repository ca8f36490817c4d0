#pragma once

#include "Products.h"

#include "foundation/KString.h"

// The folder of the running program's file, without a trailing separator; empty on failure.
KString getProgramFolder();

// The index in the product's package names of the first one, lowest version first, that exists in
// the program folder as a file; -1 when none does.
int choosePackage(const KString& programFolder, const Product& product);
// The program folder joined with the chosen package's name; empty when none exists.
KString findPackage(const KString& programFolder, const Product& product);

KString findProductPackage(const KString& programFolder);
KString findClocklinePackage(const KString& programFolder);
KString findDriftcastPackage(const KString& programFolder);
KString findPanelgatePackage(const KString& programFolder);
