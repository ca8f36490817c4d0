#include "PackageListing.h"

PackageListing::PackageListing(const InstallationPlan& plan) {
    const PackageCandidates* listed[PRODUCT_COUNT];
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        products[product].list(plan.programFolder(), PRODUCTS[product], plan.chosenPackage(product));
        listed[product] = &products[product];
    }
    others.listOthers(plan.programFolder(), listed);
}
