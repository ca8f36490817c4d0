#include "FolderPath.h"

#include "UniqueResource.h"

#include <cstdlib>

namespace {

bool startsWith(const wchar_t* text, const wchar_t* prefix) {
    while (*prefix != L'\0') {
        if (*text++ != *prefix++) {
            return false;
        }
    }
    return true;
}

// The path without a device prefix, which would keep GetFullPathNameW from resolving it.
KString withoutDevicePrefix(const KString& path) {
    const wchar_t* const text = path.text();
    if (!startsWith(text, L"\\\\?\\") && !startsWith(text, L"\\\\.\\")) {
        return path;
    }
    if (startsWith(text + 4, L"UNC\\")) {
        return L"\\\\" + KString(text + 8, KString::COPY_TEXT);
    }
    // Only a drive's folder has a form without the prefix; a device or volume name keeps it.
    return text[4] != L'\0' && text[5] == L':' ? KString(text + 4, KString::COPY_TEXT) : path;
}

} // namespace

KString normalisedFolderPath(const KString& folder) {
    if (folder.isEmpty()) {
        return folder;
    }
    KString path = withoutDevicePrefix(folder);
    if (path.text()[path.length() - 1] == L':') {
        path = path + L"\\"; // "C:" alone names the drive's current folder, not its root
    }
    const DWORD units = GetFullPathNameW(path.text(), 0, nullptr, nullptr);
    UniqueMemory<wchar_t> buffer(units == 0 ? nullptr
                                            : static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t))));
    if (!buffer) {
        return folder;
    }
    DWORD length = GetFullPathNameW(path.text(), units, buffer.get(), nullptr);
    if (length == 0 || length >= units) {
        return folder;
    }
    while (length > 0 && buffer.get()[length - 1] == L'\\') {
        buffer.get()[--length] = L'\0';
    }
    return KString(buffer.release(), KString::ADOPT_BUFFER, static_cast<int>(length));
}
