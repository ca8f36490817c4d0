#include "KFile.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

KFile::KFile()
    : fileHandle(INVALID_HANDLE_VALUE), closeOnDestroy(false), desiredAccess(GENERIC_READ | GENERIC_WRITE) {}

bool KFile::open(const KString& path, DWORD access, bool closeOnDestroyFlag) {
    // The previous handle goes first, whatever it shares.
    attach(path, INVALID_HANDLE_VALUE, access, closeOnDestroyFlag);
    fileHandle = CreateFileW(fileName.text(), desiredAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return fileHandle != INVALID_HANDLE_VALUE;
}

void KFile::attach(const KString& path, HANDLE handle, DWORD access, bool closeOnDestroyFlag) {
    if (fileHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(fileHandle);
    }
    fileName = path;
    fileHandle = handle;
    desiredAccess = access;
    closeOnDestroy = closeOnDestroyFlag;
}

bool KFile::close() {
    if (!CloseHandle(fileHandle)) {
        return false;
    }
    fileHandle = INVALID_HANDLE_VALUE;
    return true;
}

HANDLE KFile::getHandle() {
    return fileHandle;
}

DWORD KFile::read(void* buffer, DWORD byteCount) {
    DWORD bytesRead = 0;
    ReadFile(fileHandle, buffer, byteCount, &bytesRead, nullptr);
    return bytesRead;
}

void* KFile::readAll() {
    const DWORD size = getSize();
    if (size == 0) {
        return nullptr;
    }
    void* const buffer = std::malloc(size);
    if (buffer == nullptr) {
        return nullptr;
    }
    if (read(buffer, size) != size) {
        std::free(buffer);
        return nullptr;
    }
    return buffer;
}

KString KFile::readText(bool isUnicode) {
    const DWORD size = getSize();
    if (size == 0 || size > MAXDWORD - sizeof(wchar_t)) {
        return KString();
    }
    char* const buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size) + sizeof(wchar_t)));
    if (buffer == nullptr) {
        return KString();
    }
    if (read(buffer, size) != size) {
        std::free(buffer);
        return KString();
    }
    if (isUnicode) {
        // An odd last byte is half a unit: it is dropped, so the terminator stays inside the buffer.
        const size_t units = size / sizeof(wchar_t);
        wchar_t* const text = reinterpret_cast<wchar_t*>(buffer);
        text[units] = L'\0';
        return KString(text, KString::ADOPT_BUFFER, static_cast<int>(std::wcslen(text)));
    }
    buffer[size] = '\0';
    buffer[size + 1] = '\0';
    const KString text(buffer);
    std::free(buffer);
    return text;
}

DWORD KFile::write(const void* buffer, DWORD byteCount) {
    DWORD bytesWritten = 0;
    WriteFile(fileHandle, buffer, byteCount, &bytesWritten, nullptr);
    return bytesWritten;
}

bool KFile::writeText(const KString& text, bool isUnicode) {
    if (text.isEmpty()) {
        return true;
    }
    if (isUnicode) {
        const DWORD byteCount = static_cast<DWORD>(text.length()) * sizeof(wchar_t);
        return write(text.text(), byteCount) == byteCount;
    }
    KString shared = text; // shares the buffer, so its UTF-8 form is made once for all copies
    const char* const utf8Text = shared.utf8();
    if (utf8Text == nullptr) {
        return false;
    }
    const DWORD byteCount = static_cast<DWORD>(std::strlen(utf8Text));
    return write(utf8Text, byteCount) == byteCount;
}

bool KFile::seekToStart() {
    return SetFilePointer(fileHandle, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

bool KFile::seek(LONG distance, DWORD moveMethod) {
    return SetFilePointer(fileHandle, distance, nullptr, moveMethod) != INVALID_SET_FILE_POINTER;
}

DWORD KFile::getPosition() {
    return SetFilePointer(fileHandle, 0, nullptr, FILE_CURRENT);
}

bool KFile::seekToEnd() {
    return SetFilePointer(fileHandle, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER;
}

DWORD KFile::getSize() {
    // A file of 4 GiB or more has no 32-bit size: report failure rather than a wrapped size.
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(fileHandle, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        return 0;
    }
    return high == 0 ? low : 0;
}

KFile::~KFile() {
    if (closeOnDestroy && fileHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(fileHandle);
    }
}

bool KFile::exists(const KString& path) {
    const DWORD attributes = GetFileAttributesW(path.text());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool KFile::isFolder(const KString& path) {
    const DWORD attributes = GetFileAttributesW(path.text());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
