#include "PackageDiscovery.h"

#include "foundation/KFile.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr DWORD PROGRAM_PATH_UNITS = 520;
// The longest path the system allows, 32767 units, and its terminator; a module path is never longer.
constexpr DWORD LONGEST_PATH_UNITS = 32768;

// The whole module path in a malloc'd buffer, or null. A path that does not fit is cut by the system
// without a word, so the buffer grows until the terminator fits too, up to the longest path.
wchar_t* getModulePath() {
    DWORD units = PROGRAM_PATH_UNITS;
    for (;;) {
        wchar_t* const buffer = static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t)));
        if (buffer == nullptr) {
            return nullptr;
        }
        buffer[0] = L'\0';
        const DWORD length = GetModuleFileNameW(nullptr, buffer, units);
        if (length < units) {
            buffer[length] = L'\0';
            return buffer;
        }
        std::free(buffer);
        if (units == LONGEST_PATH_UNITS) {
            return nullptr;
        }
        units = std::min(units * 2, LONGEST_PATH_UNITS);
    }
}

} // namespace

KString getProgramFolder() {
    wchar_t* const buffer = getModulePath();
    if (buffer == nullptr) {
        return KString();
    }
    wchar_t* end = buffer;
    while (*end != L'\0') {
        ++end;
    }
    if (end != buffer) {
        while (end != buffer && *end != L'\\') {
            --end;
        }
        *end = L'\0';
    }
    return KString(buffer, KString::ADOPT_BUFFER);
}

int choosePackage(const KString& programFolder, const Product& product) {
    for (int version = 0; version < product.packageCount; ++version) {
        if (KFile::exists(programFolder + packageName(product, version))) {
            return version;
        }
    }
    return -1;
}

KString findPackage(const KString& programFolder, const Product& product) {
    const int chosen = choosePackage(programFolder, product);
    return chosen < 0 ? KString() : programFolder + packageName(product, chosen);
}

KString findProductPackage(const KString& programFolder) {
    return findPackage(programFolder, PRODUCTS[VELTRANO_PRO]);
}

KString findClocklinePackage(const KString& programFolder) {
    return findPackage(programFolder, PRODUCTS[CLOCKLINE]);
}

KString findDriftcastPackage(const KString& programFolder) {
    return findPackage(programFolder, PRODUCTS[DRIFTCAST]);
}

KString findPanelgatePackage(const KString& programFolder) {
    return findPackage(programFolder, PRODUCTS[PANELGATE]);
}
