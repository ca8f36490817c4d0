#include "FileContent.h"

#include "CopyStepHook.h"

#include "foundation/UniqueResource.h"

#include <cstdlib>

namespace {

constexpr DWORD BUFFER_BYTES = 64 * 1024;

bool writeAll(HANDLE destination, const void* bytes, DWORD byteCount) {
    DWORD written = 0;
    return copyStepAllowed(CopyStep::WRITE) && WriteFile(destination, bytes, byteCount, &written, nullptr) &&
           written == byteCount;
}

bool seek(HANDLE file, LONGLONG position) {
    LARGE_INTEGER distance;
    distance.QuadPart = position;
    return SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) != FALSE;
}

// Zeros from the target's end up to size: the disk's room for it, taken before any byte it has
// changes.
bool reserve(HANDLE target, LONGLONG size) {
    LARGE_INTEGER end;
    if (!GetFileSizeEx(target, &end)) {
        return false;
    }
    if (end.QuadPart >= size) {
        return true;
    }
    const UniqueMemory<BYTE> zeros(static_cast<BYTE*>(std::calloc(1, BUFFER_BYTES)));
    if (!zeros || !copyStepAllowed(CopyStep::RESERVE) || !seek(target, end.QuadPart)) {
        return false;
    }
    for (LONGLONG left = size - end.QuadPart; left > 0;) {
        const DWORD part = left < BUFFER_BYTES ? static_cast<DWORD>(left) : BUFFER_BYTES;
        if (!writeAll(target, zeros.get(), part)) {
            return false;
        }
        left -= part;
    }
    return true;
}

} // namespace

bool copyBytes(HANDLE source, HANDLE destination) {
    const UniqueMemory<BYTE> buffer(static_cast<BYTE*>(std::malloc(BUFFER_BYTES)));
    if (!buffer) {
        return false;
    }
    DWORD read = 0;
    while (ReadFile(source, buffer.get(), BUFFER_BYTES, &read, nullptr)) {
        if (read == 0) {
            return true;
        }
        if (!writeAll(destination, buffer.get(), read)) {
            return false;
        }
    }
    return false;
}

bool rewind(HANDLE file) {
    return seek(file, 0);
}

bool writeInPlace(HANDLE source, HANDLE target) {
    LARGE_INTEGER size;
    return GetFileSizeEx(source, &size) && reserve(target, size.QuadPart) && rewind(source) && rewind(target) &&
           copyBytes(source, target) && copyStepAllowed(CopyStep::CUT_TO_SIZE) &&
           SetEndOfFile(target) && FlushFileBuffers(target);
}
