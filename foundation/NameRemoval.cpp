#include "NameRemoval.h"

namespace {

// FileDispositionInfoEx and its flags (Windows 10 1709 on); the SDK names them only for that release.
constexpr auto FILE_DISPOSITION_INFO_EX_CLASS = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD DISPOSITION_DELETE = 0x1;
constexpr DWORD DISPOSITION_POSIX_SEMANTICS = 0x2;

} // namespace

void removeName(HANDLE file) {
    DWORD posix = DISPOSITION_DELETE | DISPOSITION_POSIX_SEMANTICS;
    if (!SetFileInformationByHandle(file, FILE_DISPOSITION_INFO_EX_CLASS, &posix, sizeof(posix))) {
        FILE_DISPOSITION_INFO legacy = {};
        legacy.DeleteFile = TRUE;
        SetFileInformationByHandle(file, FileDispositionInfo, &legacy, sizeof(legacy));
    }
}
