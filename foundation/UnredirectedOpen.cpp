#include "UnredirectedOpen.h"

#include <cstdlib>

namespace {

constexpr wchar_t SEPARATOR = L'\\';

// The length of the path without its last `levels` names and their separators; 0 when it has fewer.
int anchorLength(const KString& path, int levels) {
    const wchar_t* const text = path.text();
    int length = path.length();
    for (int level = 0; level < levels; ++level) {
        while (length > 0 && text[length - 1] != SEPARATOR) {
            --length;
        }
        if (length == 0) {
            return 0;
        }
        --length;
    }
    return length;
}

// The final path that the object at path must have: that of the folder `levels` names up, as it
// is, followed by the rest of path.
KString expectedFinalPath(const KString& path, int levels) {
    const int length = anchorLength(path, levels);
    if (length == 0) {
        return KString();
    }
    KString anchor(path.text(), KString::COPY_TEXT, length);
    if (path.text()[length - 1] == L':') {
        anchor = anchor + L"\\"; // "C:" alone names the drive's current folder, not its root
    }
    const KString anchorFinal = finalPathOf(anchor);
    if (anchorFinal.isEmpty()) {
        return KString();
    }
    return anchorFinal + KString(path.text() + length, KString::COPY_TEXT, path.length() - length);
}

// Reads the information of the object; true when it is a plain object of the kind asked for.
bool readPlainObject(HANDLE object, bool isFolder, BY_HANDLE_FILE_INFORMATION& information) {
    if (!GetFileInformationByHandle(object, &information)) {
        return false;
    }
    const bool isDirectory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && isDirectory == isFolder &&
           (isFolder || information.nNumberOfLinks == 1);
}

bool resolvesTo(HANDLE object, const KString& expected) {
    const KString actual = finalPath(object);
    return !expected.isEmpty() && !actual.isEmpty() &&
           CompareStringOrdinal(actual.text(), actual.length(), expected.text(), expected.length(), TRUE) ==
               CSTR_EQUAL;
}

} // namespace

UniqueFileHandle openUnredirectedFile(const KString& path, DWORD access, CheckedLevels levels) {
    UniqueFileHandle handle(CreateFileW(path.text(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    const bool writes = (access & (GENERIC_WRITE | FILE_WRITE_DATA)) != 0;
    if (!handle || !readPlainObject(handle.get(), false, information) ||
        (writes && (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) ||
        !resolvesTo(handle.get(), expectedFinalPath(path, static_cast<int>(levels)))) {
        return UniqueFileHandle();
    }
    return handle;
}

bool isPlainObject(HANDLE object, bool isFolder) {
    BY_HANDLE_FILE_INFORMATION information;
    return readPlainObject(object, isFolder, information);
}

bool isNamedIn(HANDLE object, HANDLE folder, const wchar_t* name) {
    const KString folderPath = finalPath(folder);
    return !folderPath.isEmpty() && resolvesTo(object, folderPath + L"\\" + name);
}

KString finalPath(HANDLE object) {
    DWORD units = MAX_PATH;
    // The second try has the size that the first one asked for; a name that grows meanwhile fails.
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueMemory<wchar_t> buffer(static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t))));
        if (!buffer) {
            return KString();
        }
        const DWORD length = GetFinalPathNameByHandleW(object, buffer.get(), units, FILE_NAME_NORMALIZED);
        if (length == 0) {
            return KString();
        }
        if (length < units) {
            wchar_t* const text = buffer.get();
            const DWORD kept = text[length - 1] == SEPARATOR ? length - 1 : length;
            text[kept] = L'\0';
            return KString(buffer.release(), KString::ADOPT_BUFFER, static_cast<int>(kept));
        }
        units = length;
    }
    return KString();
}

KString finalPathOf(const KString& path) {
    const UniqueFileHandle object(CreateFileW(path.text(), FILE_READ_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return object ? finalPath(object.get()) : KString();
}
