#include "ConfigurationCopy.h"

#include "CopyStepHook.h"
#include "FileContent.h"

#include "foundation/NameRemoval.h"
#include "foundation/UnredirectedOpen.h"
#include "foundation/UserImpersonation.h"

namespace {

// The attributes that a copy takes from its source, as CopyFileW's do, but for read-only: the
// rewrite must be able to open the copy, and the next run to replace it.
constexpr DWORD COPIED_ATTRIBUTES = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// By the file's identity, which names cannot hide: another path, another letter case, a link.
bool isSameFile(const BY_HANDLE_FILE_INFORMATION& file, const BY_HANDLE_FILE_INFORMATION& other) {
    return file.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           file.nFileIndexHigh == other.nFileIndexHigh && file.nFileIndexLow == other.nFileIndexLow;
}

} // namespace

ConfigurationCopy::ConfigurationCopy(const KString& sourcePath, const KString& appDataFolder,
                                     const KString& fileNameWithSeparator, HANDLE userToken)
    : userToken(userToken), fileName(fileNameWithSeparator.text() + 1, KString::COPY_TEXT),
      decided(examine(sourcePath, appDataFolder)) {}

CopyDecision ConfigurationCopy::examine(const KString& sourcePath, const KString& appDataFolder) {
    if (appDataFolder.isEmpty()) {
        return CopyDecision::NO_APPDATA_FOLDER;
    }
    // Only a file that the operator put into the program folder: a link or a hard link there could
    // lead to a file of another user, which the copy would hand to the desktop user.
    source = openUnredirectedFile(sourcePath, GENERIC_READ, CheckedLevels::FILE);
    const bool sourceFound = source && GetFileInformationByHandle(source.get(), &sourceFile);
    CopyDecision destination = CopyDecision::NO_USER_RIGHTS;
    const UserImpersonation user(userToken);
    if (user) {
        productFolder.open(appDataFolder);
        switch (productFolder.state()) {
        case ProductFolder::State::HELD:
            destination = examineName(sourceFound);
            break;
        case ProductFolder::State::TO_BE_MADE:
            destination = CopyDecision::COPY_NEW;
            break;
        case ProductFolder::State::REDIRECTED:
            destination = CopyDecision::FOLDER_REDIRECTED;
            break;
        case ProductFolder::State::NO_APPDATA_FOLDER:
        case ProductFolder::State::CANNOT_BE_MADE:
            destination = CopyDecision::NO_PRODUCT_FOLDER;
            break;
        }
    }
    if (destination != CopyDecision::OVERWRITE) {
        // A handle of ours on the file there would stop it losing its name.
        heldDestination.reset();
    }
    return sourceFound ? destination : CopyDecision::LINKED_SOURCE;
}

// What the copy does with the file that has the name once leftovers are recovered; notes whether the
// rewrite may open that file where no copy is made.
CopyDecision ConfigurationCopy::examineName(bool sourceFound) {
    const HeldFolder& held = productFolder.held();
    leftoversFound.find(held, fileName.text());
    const KString examined = leftoversFound.fileAfterRecovery(fileName.text());
    const UniqueFileHandle there = held.openName(examined.text(), FILE_READ_ATTRIBUTES);
    if (!there) {
        return GetLastError() == ERROR_FILE_NOT_FOUND ? CopyDecision::COPY_NEW
                                                      : CopyDecision::DESTINATION_KEPT;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(there.get(), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !isNamedIn(there.get(), held.get(), examined.text())) {
        return CopyDecision::DESTINATION_KEPT;
    }
    // A read-only file can be neither replaced nor written; the account the tests run as would write
    // it all the same, so it is not opened for writing at all.
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return CopyDecision::READ_ONLY_DESTINATION;
    }
    // The name can be taken from the file only while no holder denies its removal.
    const bool nameCanBeTaken = held.openName(examined.text(), DELETE).isValid();
    // Written only as a plain file of the folder: a hard link or a link would be written through.
    heldDestination = held.openName(examined.text(), GENERIC_READ | GENERIC_WRITE);
    fileThereRewritable = heldDestination && isPlainObject(heldDestination.get(), false);
    // Started from the product folder itself, or from a folder that the AppData folder leads to:
    // replacing the destination would remove the source.
    if (sourceFound && isSameFile(information, sourceFile)) {
        return CopyDecision::SAME_FILE;
    }
    if (nameCanBeTaken) {
        return CopyDecision::REPLACE;
    }
    return fileThereRewritable ? CopyDecision::OVERWRITE : CopyDecision::DESTINATION_KEPT;
}

RewriteTarget ConfigurationCopy::rewriteTarget() const {
    switch (decided) {
    case CopyDecision::COPY_NEW:
    case CopyDecision::REPLACE:
    case CopyDecision::OVERWRITE:
        return RewriteTarget::FRESH_COPY;
    case CopyDecision::NO_APPDATA_FOLDER:
    case CopyDecision::LINKED_SOURCE:
    case CopyDecision::NO_USER_RIGHTS:
    case CopyDecision::NO_PRODUCT_FOLDER:
    case CopyDecision::FOLDER_REDIRECTED:
    case CopyDecision::SAME_FILE:
    case CopyDecision::READ_ONLY_DESTINATION:
    case CopyDecision::DESTINATION_KEPT:
        break;
    }
    return fileThereRewritable ? RewriteTarget::FILE_THERE : RewriteTarget::NONE;
}

void ConfigurationCopy::perform() {
    if (decided != CopyDecision::COPY_NEW && decided != CopyDecision::REPLACE &&
        decided != CopyDecision::OVERWRITE) {
        return;
    }
    const UserImpersonation user(userToken);
    if (!user) {
        return;
    }
    productFolder.make();
    if (productFolder.state() != ProductFolder::State::HELD) {
        return;
    }
    if (decided == CopyDecision::OVERWRITE) {
        overwrite();
        return;
    }
    const UniqueFileHandle fresh = makeFreshCopy();
    if (fresh) {
        placeFreshCopy(fresh.get());
    }
}

// The whole copy under a name of its own, made new: a name that someone put there makes it fail
// instead of being written through. Shared with no one, so that no one reads it half written.
UniqueFileHandle ConfigurationCopy::makeFreshCopy() {
    const DWORD attributes = sourceFile.dwFileAttributes & COPIED_ATTRIBUTES;
    UniqueFileHandle fresh = productFolder.held().createFile(
        leftoverName(fileName.text(), Leftover::UNFINISHED_COPY).text(), GENERIC_WRITE | DELETE,
        attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
    if (!fresh) {
        return fresh;
    }
    if (rewind(source.get()) && copyBytes(source.get(), fresh.get()) &&
        SetFileTime(fresh.get(), nullptr, nullptr, &sourceFile.ftLastWriteTime) &&
        FlushFileBuffers(fresh.get())) {
        return fresh;
    }
    removeName(fresh.get());
    return UniqueFileHandle();
}

void ConfigurationCopy::placeFreshCopy(HANDLE fresh) {
    const HeldFolder& held = productFolder.held();
    const wchar_t* const target = fileName.text();
    // Nothing there, or a file that no one holds (or holders who may keep it, on systems with POSIX
    // renames): the name passes to the copy in one step.
    if (copyStepAllowed(CopyStep::RENAME_OVER) &&
        (held.rename(fresh, target, false) || held.replaceHeld(fresh, target) ||
         held.rename(fresh, target, true))) {
        return;
    }
    // A file held open that the system cannot replace: moved aside by its name, which its holders allow
    // when they share its removal (as the product does), and the copy takes the freed name at once.
    const KString asideName = leftoverName(target, Leftover::MOVED_ASIDE);
    const UniqueFileHandle aside = held.openName(target, DELETE | FILE_READ_ATTRIBUTES);
    if (!aside || !isNamedIn(aside.get(), held.get(), target) || !copyStepAllowed(CopyStep::MOVE_ASIDE) ||
        !held.rename(aside.get(), asideName.text(), false)) {
        removeName(fresh);
        return;
    }
    if (copyStepAllowed(CopyStep::RENAME_INTO_PLACE) &&
        (held.rename(fresh, target, false) || held.rename(fresh, target, true))) {
        if (copyStepAllowed(CopyStep::REMOVE)) {
            removeName(aside.get());
        }
        return;
    }
    // Someone took the name meanwhile and holds it: the user's file gets it back where it can, and
    // otherwise waits under its own name for the next run.
    if (copyStepAllowed(CopyStep::PUT_BACK)) {
        held.rename(aside.get(), target, true);
    }
    removeName(fresh);
}

// The old bytes are kept whole in a backup of the copy's own before the first byte changes: a failure
// writes them back, and a run stopped in between has its next run write them back. The backup gets
// its name only once it is whole, so that no run ever writes back a part of it.
void ConfigurationCopy::overwrite() {
    const HeldFolder& held = productFolder.held();
    const UniqueFileHandle backup =
        held.createFile(leftoverName(fileName.text(), Leftover::UNFINISHED_COPY).text(),
                        GENERIC_READ | GENERIC_WRITE | DELETE, FILE_ATTRIBUTE_NORMAL);
    if (!backup) {
        return;
    }
    if (!rewind(heldDestination.get()) || !copyBytes(heldDestination.get(), backup.get()) ||
        !FlushFileBuffers(backup.get()) ||
        !held.rename(backup.get(), leftoverName(fileName.text(), Leftover::OVERWRITE_BACKUP).text(), false)) {
        removeName(backup.get());
        return;
    }
    if ((writeInPlace(source.get(), heldDestination.get()) ||
         writeInPlace(backup.get(), heldDestination.get())) &&
        copyStepAllowed(CopyStep::REMOVE)) {
        removeName(backup.get());
    }
}
