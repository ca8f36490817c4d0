#include "UnredirectedOpen.h"

#include <cstdlib>
#include <utility>

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

// "\\?\C:\...", without a trailing separator (a volume's root has one); empty when it cannot be had.
KString finalPath(HANDLE handle) {
    DWORD units = MAX_PATH;
    // The second try has the size that the first one asked for; a name that grows meanwhile fails.
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueMemory<wchar_t> buffer(static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t))));
        if (!buffer) {
            return KString();
        }
        const DWORD length = GetFinalPathNameByHandleW(handle, buffer.get(), units, FILE_NAME_NORMALIZED);
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

bool resolvesTo(HANDLE handle, const KString& expected) {
    const KString actual = finalPath(handle);
    return !expected.isEmpty() && !actual.isEmpty() &&
           CompareStringOrdinal(actual.text(), actual.length(), expected.text(), expected.length(), TRUE) ==
               CSTR_EQUAL;
}

UniqueFileHandle checked(UniqueFileHandle handle, const KString& path, int levels, bool isFolder) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!handle || !GetFileInformationByHandle(handle.get(), &information)) {
        return UniqueFileHandle();
    }
    const bool isDirectory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool isPlain = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
                         isDirectory == isFolder && (isFolder || information.nNumberOfLinks == 1);
    if (!isPlain || !resolvesTo(handle.get(), expectedFinalPath(path, levels))) {
        return UniqueFileHandle();
    }
    return handle;
}

UniqueFileHandle openPlainFile(const KString& path, DWORD access, int levels) {
    UniqueFileHandle handle(CreateFileW(path.text(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    return checked(std::move(handle), path, levels, false);
}

} // namespace

UniqueFileHandle openUnredirectedFolder(const KString& folder) {
    UniqueFileHandle handle(CreateFileW(folder.text(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return checked(std::move(handle), folder, 1, true);
}

UniqueFileHandle openUnredirectedFile(const KString& path, DWORD access) {
    return openPlainFile(path, access, 2);
}

UniqueFileHandle openPlainFileOfFolder(const KString& path, DWORD access) {
    return openPlainFile(path, access, 1);
}

UniqueFileHandle openUnredirectedName(const KString& path, DWORD access) {
    UniqueFileHandle handle(CreateFileW(path.text(), access,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle || !resolvesTo(handle.get(), expectedFinalPath(path, 2))) {
        return UniqueFileHandle();
    }
    return handle;
}

KString finalPathOf(const KString& path) {
    const UniqueFileHandle object(CreateFileW(path.text(), FILE_READ_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return object ? finalPath(object.get()) : KString();
}
