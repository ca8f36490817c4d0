#include "CopyLeftovers.h"

#include "CopyStepHook.h"
#include "FileContent.h"

#include "foundation/NameRemoval.h"
#include "foundation/UnredirectedOpen.h"

namespace {

// Texts in place rather than pointers to them, which the loader would relocate.
constexpr wchar_t SUFFIXES[LEFTOVER_KINDS][17] = {L".pellmont-backup", L".pellmont-old", L".pellmont-new"};

// A leftover is a file the copy made, or the user's own, which may have other links: neither is ever
// written through, so only a folder is left alone.
bool isFile(HANDLE object) {
    BY_HANDLE_FILE_INFORMATION information;
    return GetFileInformationByHandle(object, &information) &&
           (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool isNameTaken(const HeldFolder& folder, const wchar_t* name) {
    return folder.openName(name, FILE_READ_ATTRIBUTES) || GetLastError() != ERROR_FILE_NOT_FOUND;
}

// Writes the backup's bytes over the file that has the name; false when that file cannot be written so.
bool writeBack(const HeldFolder& folder, HANDLE backup, const wchar_t* fileName) {
    const UniqueFileHandle target = folder.openName(fileName, GENERIC_READ | GENERIC_WRITE);
    return target && isPlainObject(target.get(), false) && isNamedIn(target.get(), folder.get(), fileName) &&
           writeInPlace(backup, target.get());
}

} // namespace

KString leftoverName(const wchar_t* fileName, Leftover kind) {
    return KString(fileName, KString::REFER_STATIC) + SUFFIXES[static_cast<int>(kind)];
}

bool CopyLeftovers::areThere() const {
    for (const LeftoverRecovery recovery : recoveries) {
        if (recovery != LeftoverRecovery::NONE) {
            return true;
        }
    }
    return false;
}

KString CopyLeftovers::fileAfterRecovery(const wchar_t* fileName) const {
    for (const Leftover kind : {Leftover::OVERWRITE_BACKUP, Leftover::MOVED_ASIDE}) {
        if (recovery(kind) == LeftoverRecovery::PUT_BACK) {
            return leftoverName(fileName, kind);
        }
    }
    return KString(fileName, KString::REFER_STATIC);
}

KString CopyLeftovers::contentAfterRecovery(const wchar_t* fileName) const {
    return recovery(Leftover::OVERWRITE_BACKUP) == LeftoverRecovery::WRITTEN_BACK
               ? leftoverName(fileName, Leftover::OVERWRITE_BACKUP)
               : fileAfterRecovery(fileName);
}

void CopyLeftovers::visit(const HeldFolder& folder, const wchar_t* fileName, bool act) {
    bool nameTaken = isNameTaken(folder, fileName);
    for (int index = 0; index < LEFTOVER_KINDS; ++index) {
        const auto kind = static_cast<Leftover>(index);
        const KString name = leftoverName(fileName, kind);
        // Without sharing deletion: no other copy can take it meanwhile.
        const UniqueFileHandle leftover = folder.openName(name.text(), DELETE | GENERIC_READ);
        LeftoverRecovery& recovery = recoveries[index];
        if (!leftover) {
            recovery = GetLastError() == ERROR_FILE_NOT_FOUND ? LeftoverRecovery::NONE
                                                              : LeftoverRecovery::LEFT_ALONE;
            continue;
        }
        if (!isFile(leftover.get()) || !isNamedIn(leftover.get(), folder.get(), name.text())) {
            recovery = LeftoverRecovery::LEFT_ALONE;
            continue;
        }
        if (kind == Leftover::UNFINISHED_COPY || nameTaken) {
            recovery = kind == Leftover::OVERWRITE_BACKUP ? LeftoverRecovery::WRITTEN_BACK
                                                          : LeftoverRecovery::REMOVED;
        } else {
            recovery = LeftoverRecovery::PUT_BACK;
            nameTaken = true;
        }
        if (!act) {
            continue;
        }
        if (recovery == LeftoverRecovery::PUT_BACK) {
            // Only where the name is still free; otherwise the next run sees it again.
            if (copyStepAllowed(CopyStep::PUT_BACK)) {
                folder.rename(leftover.get(), fileName, false);
            }
        } else if ((recovery != LeftoverRecovery::WRITTEN_BACK ||
                    writeBack(folder, leftover.get(), fileName)) &&
                   copyStepAllowed(CopyStep::REMOVE)) {
            removeName(leftover.get());
        }
    }
}
