#include "PackageCandidates.h"

#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"

namespace {

constexpr wchar_t PACKAGE_EXTENSION[] = L".msi";
constexpr int PACKAGE_EXTENSION_LENGTH = 4;

// As the file system compares names: ordinally, without regard to letter case. A linguistic
// comparison would take names the file system keeps apart for one (it ignores a soft hyphen, for
// one) and, under some locales, keep apart what the file system takes for one.
bool isSameName(const wchar_t* name, const wchar_t* other) {
    return CompareStringOrdinal(name, -1, other, -1, TRUE) == CSTR_EQUAL;
}

// The package's name as the folder lists it, without the separator; empty when it cannot be made.
KString listedName(const Product& product, int version) {
    const KString name = packageName(product, version);
    return name.isEmpty() ? name : KString(name.text() + 1, KString::COPY_TEXT);
}

bool isKnownName(const Product& product, const wchar_t* name) {
    for (int version = 0; version < product.packageCount; ++version) {
        if (isSameName(listedName(product, version).text(), name)) {
            return true;
        }
    }
    return false;
}

// A pattern also matches a long name by its short one ("*.msi" finds "a.msix" by "A~1.MSI").
bool isPackageName(const wchar_t* name) {
    const int length = lstrlenW(name);
    return length > PACKAGE_EXTENSION_LENGTH &&
           isSameName(name + length - PACKAGE_EXTENSION_LENGTH, PACKAGE_EXTENSION);
}

} // namespace

PackageCandidates::~PackageCandidates() {
    while (head != nullptr) {
        Entry* const next = head->next;
        delete head;
        head = next;
    }
}

void PackageCandidates::list(const KString& programFolder, const Product& product, int chosenIndex) {
    for (int version = 0; version < product.packageCount; ++version) {
        const KString name = listedName(product, version);
        const KString path = programFolder + packageName(product, version);
        if (version == chosenIndex) {
            add(name, PackageTreatment::CHOSEN);
        } else if (KFile::exists(path)) {
            add(name, PackageTreatment::HIGHER_VERSION);
        } else if (KFile::isFolder(path)) {
            add(name, PackageTreatment::FOLDER);
        }
    }
    WIN32_FIND_DATAW found;
    const UniqueFindHandle search(FindFirstFileW((programFolder + packagePattern(product)).text(), &found));
    if (!search) {
        return;
    }
    do {
        if (!isKnownName(product, found.cFileName)) {
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            add(KString(found.cFileName, KString::COPY_TEXT),
                isFolder ? PackageTreatment::FOLDER : PackageTreatment::UNKNOWN_VERSION);
        }
    } while (FindNextFileW(search.get(), &found));
}

void PackageCandidates::listOthers(const KString& programFolder,
                                   const PackageCandidates* const (&products)[PRODUCT_COUNT]) {
    WIN32_FIND_DATAW found;
    const UniqueFindHandle search(
        FindFirstFileW((programFolder + L"\\*" + PACKAGE_EXTENSION).text(), &found));
    if (!search) {
        return;
    }
    do {
        bool listed =
            (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !isPackageName(found.cFileName);
        for (const PackageCandidates* product : products) {
            listed = listed || product->holds(found.cFileName);
        }
        if (!listed) {
            add(KString(found.cFileName, KString::COPY_TEXT), PackageTreatment::NO_PRODUCT);
        }
    } while (FindNextFileW(search.get(), &found));
}

bool PackageCandidates::holds(const wchar_t* name) const {
    for (const Entry* entry = head; entry != nullptr; entry = entry->next) {
        if (isSameName(entry->name.text(), name)) {
            return true;
        }
    }
    return false;
}

void PackageCandidates::add(const KString& name, PackageTreatment treatment) {
    Entry* const entry = new Entry{name, treatment, nullptr};
    (tail != nullptr ? tail->next : head) = entry;
    tail = entry;
}
