#include "PackageDiscovery.h"

#include "PackageNames.h"

#include "foundation/KFile.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr DWORD PROGRAM_PATH_UNITS = 520;
// The longest path the system allows, 32767 units, and its terminator; a module path is never longer.
constexpr DWORD LONGEST_PATH_UNITS = 32768;

template <size_t count>
KString findFirstPackage(const KString& programFolder, const wchar_t* const (&candidates)[count]) {
    for (const wchar_t* const candidate : candidates) {
        const KString path = programFolder + candidate;
        if (KFile::exists(path)) {
            return path;
        }
    }
    return KString();
}

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

KString findProductPackage(const KString& programFolder) {
    return findFirstPackage(programFolder, PRODUCT_PACKAGES);
}

KString findClocklinePackage(const KString& programFolder) {
    return findFirstPackage(programFolder, CLOCKLINE_PACKAGES);
}

KString findDriftcastPackage(const KString& programFolder) {
    return findFirstPackage(programFolder, DRIFTCAST_PACKAGES);
}

KString findPanelgatePackage(const KString& programFolder) {
    return findFirstPackage(programFolder, PANELGATE_PACKAGES);
}
