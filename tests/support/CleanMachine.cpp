#include "CleanMachine.h"

#include "ProductRegistryValue.h"
#include "TemporaryFolder.h"
#include "TestPackages.h"

#include "foundation/UniqueResource.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace {

KString desktopUsersProductFolder() {
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    return KString(appData, KString::COPY_TEXT) + L"\\Veltrano Pro";
}

// Removes the folder with what is in it, read-only files too; a link is left to whoever made it, since
// following it would empty what it leads to.
void removeFolder(const KString& folder) {
    const DWORD attributes = GetFileAttributesW(folder.text());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return;
    }
    WIN32_FIND_DATAW found;
    const UniqueFindHandle entries(FindFirstFileW((folder + L"\\*").text(), &found));
    if (entries) {
        do {
            const KString path = folder + L"\\" + found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                SetFileAttributesW(path.text(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.text());
            } else if (found.cFileName[0] != L'.') {
                removeFolder(path);
            }
        } while (FindNextFileW(entries.get(), &found));
    }
    RemoveDirectoryW(folder.text());
}

} // namespace

CleanMachine::CleanMachine() : folder(desktopUsersProductFolder()) {
    clean();
}

CleanMachine::~CleanMachine() {
    clean();
}

void CleanMachine::clean() {
    for (const wchar_t* package : PRODUCT_PACKAGES) {
        uninstallPackage(testPackage(package));
    }
    deleteProductKey(KEY_WOW64_32KEY);
    deleteProductKey(KEY_WOW64_64KEY);
    for (int plugin = 0; plugin < 3; ++plugin) {
        DeleteFileW(pluginModuleFile(plugin).text());
    }
    chains.clear();
    removeFolder(folder);
}

void CleanMachine::installPluginModule(int plugin) {
    const KString below = L"\\Quillmark\\VNPlugins\\" + KString(PLUGINS[plugin], KString::REFER_STATIC);
    chains.push_back(std::make_unique<FolderChain>(packageProgramFilesFolder(), below.text()));
    ASSERT_TRUE(chains.back()->isComplete()) << "error " << GetLastError();
    ASSERT_TRUE(writeFileBytes(pluginModuleFile(plugin), "module", 6)) << "error " << GetLastError();
}

void CleanMachine::putInProductFolder(const wchar_t* name, const std::string& bytes) const {
    CreateDirectoryW(folder.text(), nullptr);
    EXPECT_TRUE(writeFileBytes(folder + name, bytes.data(), static_cast<unsigned long>(bytes.size())))
        << KString(folder + name).utf8() << ": error " << GetLastError();
}
