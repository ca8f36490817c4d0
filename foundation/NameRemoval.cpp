#include "NameRemoval.h"

#include <winternl.h>

namespace {

// The disposition classes and flags as the kernel takes them; the extended class is there from
// Windows 10 1709 on. The same call as the renames' (HeldFolder), so no other is imported for this.
constexpr auto FILE_DISPOSITION_CLASS = static_cast<FILE_INFORMATION_CLASS>(13);
constexpr auto FILE_DISPOSITION_EX_CLASS = static_cast<FILE_INFORMATION_CLASS>(64);
constexpr ULONG DISPOSITION_DELETE = 0x1;
constexpr ULONG DISPOSITION_POSIX_SEMANTICS = 0x2;

bool setDisposition(HANDLE file, ULONG disposition, FILE_INFORMATION_CLASS informationClass) {
    IO_STATUS_BLOCK status;
    return NT_SUCCESS(NtSetInformationFile(file, &status, &disposition, sizeof(disposition), informationClass));
}

} // namespace

void removeName(HANDLE file) {
    // The plain class reads a BOOLEAN from the first byte: DISPOSITION_DELETE there is TRUE.
    if (!setDisposition(file, DISPOSITION_DELETE | DISPOSITION_POSIX_SEMANTICS, FILE_DISPOSITION_EX_CLASS)) {
        setDisposition(file, DISPOSITION_DELETE, FILE_DISPOSITION_CLASS);
    }
}
