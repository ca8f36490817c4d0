#include "FolderChain.h"

#include <windows.h>

#include <cwchar>

FolderChain::FolderChain(const KString& base, const wchar_t* relativePath) {
    std::wstring path = base.text();
    const wchar_t* rest = relativePath;
    while (*rest == L'\\') {
        const wchar_t* next = std::wcschr(rest + 1, L'\\');
        const size_t length = next != nullptr ? static_cast<size_t>(next - rest) : std::wcslen(rest);
        path.append(rest, length);
        rest += length;
        if (CreateDirectoryW(path.c_str(), nullptr) && createdCount < 16) {
            created[createdCount++] = path;
        }
    }
    deepest = KString(path.c_str(), KString::COPY_TEXT);
}

FolderChain::~FolderChain() {
    while (createdCount > 0) {
        RemoveDirectoryW(created[--createdCount].c_str());
    }
}

bool FolderChain::isComplete() const {
    const DWORD attributes = GetFileAttributesW(deepest.text());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
