#pragma once

#include "Products.h"

#include "foundation/KString.h"

#include <windows.h>

inline constexpr wchar_t PRODUCT_REGISTRY_KEY[] = L"SOFTWARE\\Quillmark\\VeltranoPro";
inline constexpr wchar_t PRODUCT_REGISTRY_VALUE[] = L"Build";
// Appended to the desktop user's AppData folder to make the per-user product folder.
inline constexpr wchar_t PRODUCT_FOLDER_NAME[] = L"\\Veltrano Pro";

// The product's "Build" value as the installed test reads it: its type and its (at most four) bytes.
struct ProductBuild {
    DWORD type = REG_NONE;
    DWORD data = 0;
};

// True when the product's "Build" value can be read into four bytes; its type and data do not matter.
bool isProductInstalled();
// Reads the "Build" value as isProductInstalled does.
bool readProductBuild(ProductBuild& build);
// The Program Files folder of 32-bit programs, without a trailing separator; empty on failure.
KString getProgramFilesFolder();
// True when the plug-in's module file exists below the Program Files folder.
bool isPluginInstalled(const KString& programFilesFolder, const Product& plugin);
// The roaming AppData folder of the desktop user as DesktopUser finds them (the shell's owner, the
// console's user, the one Remote Desktop user, the default user profile for the system account, or
// the running account); empty on failure.
KString getInteractiveUserAppDataFolder();
