#include "ProductFolder.h"

#include "ComponentDetection.h"

#include "foundation/UnredirectedOpen.h"

#include <utility>

namespace {

// The product folder's name in the AppData folder, without the separator.
const wchar_t* productFolderName() {
    return PRODUCT_FOLDER_NAME + 1;
}

HeldFolder openAppData(const KString& path, DWORD extraAccess) {
    // "C:" alone names the drive's current folder, not its root.
    const KString folder = path.text()[path.length() - 1] == L':' ? path + L"\\" : path;
    return HeldFolder(UniqueFileHandle(CreateFileW(folder.text(), HeldFolder::HOLDING_ACCESS | extraAccess,
                                                   HeldFolder::HOLDING_SHARE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
}

} // namespace

void ProductFolder::open(const KString& appDataFolder) {
    if (appDataFolder.isEmpty()) {
        return;
    }
    appData = openAppData(appDataFolder, 0);
    if (!appData) {
        return;
    }
    HeldFolder existing = appData.openFolder(productFolderName());
    if (existing || GetLastError() != ERROR_FILE_NOT_FOUND) {
        hold(std::move(existing));
        return;
    }
    // Only its last level is made, and only where the folder above takes new folders.
    appData = openAppData(appDataFolder, FILE_ADD_SUBDIRECTORY);
    current = appData ? State::TO_BE_MADE : State::CANNOT_BE_MADE;
}

void ProductFolder::make() {
    if (current == State::TO_BE_MADE) {
        hold(appData.makeFolder(productFolderName()));
    }
}

void ProductFolder::hold(HeldFolder candidate) {
    const bool isProductFolder = candidate && isPlainObject(candidate.get(), true) &&
                                 isNamedIn(candidate.get(), appData.get(), productFolderName());
    folder = isProductFolder ? std::move(candidate) : HeldFolder();
    current = isProductFolder ? State::HELD : State::REDIRECTED;
}
