#include "FolderPath.h"

#include "UniqueResource.h"

#include <cstdlib>

KString normalisedFolderPath(const KString& folder) {
    if (folder.isEmpty()) {
        return folder;
    }
    // "C:" alone names the drive's current folder, not its root.
    const KString path = folder.text()[folder.length() - 1] == L':' ? folder + L"\\" : folder;
    const DWORD units = GetFullPathNameW(path.text(), 0, nullptr, nullptr);
    UniqueMemory<wchar_t> buffer(units == 0 ? nullptr
                                            : static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t))));
    DWORD length = buffer ? GetFullPathNameW(path.text(), units, buffer.get(), nullptr) : 0;
    if (length == 0 || length >= units) {
        return folder;
    }
    while (length > 0 && buffer.get()[length - 1] == L'\\') {
        buffer.get()[--length] = L'\0';
    }
    return KString(buffer.release(), KString::ADOPT_BUFFER, static_cast<int>(length));
}
