#pragma once

#include "InstallationPlan.h"
#include "PackageCandidates.h"

// Every name in the program folder like one of a product's packages and how the folder scan treated
// it, and every other package file: for a report, since the run has no use for what it passes over.
class PackageListing {
public:
    // After the plan's folder scan.
    explicit PackageListing(const InstallationPlan& plan);
    PackageListing(const PackageListing&) = delete;
    PackageListing& operator=(const PackageListing&) = delete;
    virtual ~PackageListing() = default;

    const PackageCandidates& candidates(int product) const { return products[product]; }
    // Package files whose names are like no product's packages.
    const PackageCandidates& unrecognised() const { return others; }

private:
    PackageCandidates products[PRODUCT_COUNT];
    PackageCandidates others;
};
