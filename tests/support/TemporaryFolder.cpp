#include "TemporaryFolder.h"

#include "foundation/UniqueResource.h"

#include <windows.h>

#include <atomic>
#include <cwchar>

namespace {

void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    const UniqueResource<FindHandleTraits> search(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (search.isValid()) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            // A link is removed by whoever made it: following it would empty what it leads to.
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                continue;
            }
            const std::wstring child = folder + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search.get(), &entry));
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

TemporaryFolder::TemporaryFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t base[MAX_PATH + 1];
    const DWORD baseLength = GetTempPathW(MAX_PATH + 1, base);
    wchar_t name[MAX_PATH + 64];
    for (;;) {
        swprintf(name, sizeof name / sizeof name[0], L"%.*lspellmont-%lu-%u", static_cast<int>(baseLength),
                 base, GetCurrentProcessId(), counter++);
        if (CreateDirectoryW(name, nullptr)) {
            break;
        }
    }
    folder = KString(name, KString::COPY_TEXT);
}

TemporaryFolder::~TemporaryFolder() {
    removeTree(folder.text());
}

bool writeFileBytes(const KString& path, const void* bytes, unsigned long byteCount) {
    const UniqueFileHandle file(
        CreateFileW(path.text(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.isValid() && WriteFile(file.get(), bytes, byteCount, &written, nullptr) &&
           written == byteCount;
}

bool readFileBytes(const KString& path, std::string& bytes) {
    const UniqueFileHandle file(CreateFileW(path.text(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isValid()) {
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) &&
            got == bytes.size());
}

bool isHeldOpen(const KString& path) {
    const UniqueFileHandle file(
        CreateFileW(path.text(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file.isValid() && GetLastError() == ERROR_SHARING_VIOLATION;
}
