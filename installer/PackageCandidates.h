#pragma once

#include "foundation/KString.h"

// How a name in the program folder that looks like one of a product's packages is treated.
enum class PackageCandidate {
    CHOSEN,          // the package that discovery returns
    HIGHER_VERSION,  // a known version after the chosen one: never used
    FOLDER,          // a folder bearing such a name: skipped
    UNKNOWN_VERSION, // a file of the product's name pattern with a version no table holds: not recognised
};

class PackageCandidateSink {
public:
    virtual ~PackageCandidateSink() = default;
    virtual void candidate(const KString& name, PackageCandidate treatment) = 0;
};

// Tells the sink every name in the program folder that looks like a package of the product (its
// index in PACKAGE_NAMES), without the leading separator: the known names in the order discovery
// tries them, then the others in the order the file system lists them.
void listPackageCandidates(const KString& programFolder, int product, PackageCandidateSink& sink);
