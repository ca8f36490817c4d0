#include "PackageCandidates.h"

#include "PackageNames.h"

#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"

namespace {

// Each matches every name of its product's packages, known versions or not; in PACKAGE_NAMES order.
constexpr const wchar_t* PACKAGE_PATTERNS[] = {
    L"\\VN* Setup.msi",
    L"\\Clockline Plug-In v* Setup.msi",
    L"\\Driftcast Plug-In v* Setup.msi",
    L"\\Panelgate Plug-In v* Setup.msi",
};
static_assert(sizeof(PACKAGE_PATTERNS) / sizeof(PACKAGE_PATTERNS[0]) ==
              sizeof(PACKAGE_NAMES) / sizeof(PACKAGE_NAMES[0]));

bool isFolderPath(const KString& path) {
    const DWORD attributes = GetFileAttributesW(path.text());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The file system compares names without regard to letter case, and so does this.
bool isKnownName(const PackageNames& known, const wchar_t* name) {
    for (size_t index = 0; index < known.count; ++index) {
        if (lstrcmpiW(known.names[index] + 1, name) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

void listPackageCandidates(const KString& programFolder, int product, PackageCandidateSink& sink) {
    const PackageNames& known = PACKAGE_NAMES[product];
    // The same test and order as discovery's: the first existing file is the one it returns.
    bool chosen = false;
    for (size_t index = 0; index < known.count; ++index) {
        const KString name(known.names[index] + 1, KString::REFER_STATIC);
        const KString path = programFolder + known.names[index];
        if (KFile::exists(path)) {
            sink.candidate(name, chosen ? PackageCandidate::HIGHER_VERSION : PackageCandidate::CHOSEN);
            chosen = true;
        } else if (isFolderPath(path)) {
            sink.candidate(name, PackageCandidate::FOLDER);
        }
    }
    WIN32_FIND_DATAW found;
    const UniqueFindHandle search(FindFirstFileW((programFolder + PACKAGE_PATTERNS[product]).text(), &found));
    if (!search) {
        return;
    }
    do {
        if (!isKnownName(known, found.cFileName)) {
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            sink.candidate(KString(found.cFileName, KString::COPY_TEXT),
                           isFolder ? PackageCandidate::FOLDER : PackageCandidate::UNKNOWN_VERSION);
        }
    } while (FindNextFileW(search.get(), &found));
}
