#pragma once

#include "Products.h"

#include "foundation/KString.h"

// How a name in the program folder that looks like one of a product's packages is treated.
enum class PackageTreatment {
    CHOSEN,          // the package that discovery returns
    HIGHER_VERSION,  // a known version after the chosen one: never used
    FOLDER,          // a folder bearing such a name: skipped
    UNKNOWN_VERSION, // a file of the product's name pattern with a version no table holds: not recognised
    NO_PRODUCT,      // a package file whose name is like no product's packages: not recognised
};

// Every name in the program folder that looks like a package of one product, without the leading
// separator: the known names in the order discovery tries them, then the others in the order the
// file system lists them.
class PackageCandidates {
public:
    struct Entry {
        KString name;
        PackageTreatment treatment;
        Entry* next; // owned by the list
    };

    PackageCandidates() = default;
    PackageCandidates(const PackageCandidates&) = delete;
    PackageCandidates& operator=(const PackageCandidates&) = delete;
    virtual ~PackageCandidates();

    // chosenIndex is discovery's answer for the folder (choosePackage), -1 for none.
    void list(const KString& programFolder, const Product& product, int chosenIndex);
    // Every package file of the folder that none of the products' lists names.
    void listOthers(const KString& programFolder, const PackageCandidates* const (&products)[PRODUCT_COUNT]);

    const Entry* first() const { return head; }

private:
    void add(const KString& name, PackageTreatment treatment);
    bool holds(const wchar_t* name) const;

    Entry* head = nullptr;
    Entry* tail = nullptr;
};
