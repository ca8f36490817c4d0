#pragma once

#include "foundation/KString.h"

constexpr wchar_t PRODUCT_REGISTRY_KEY[] = L"SOFTWARE\\Quillmark\\VeltranoPro";
constexpr wchar_t PRODUCT_REGISTRY_VALUE[] = L"Build";
// Appended to the desktop user's AppData folder to make the per-user product folder.
constexpr wchar_t PRODUCT_FOLDER_NAME[] = L"\\Veltrano Pro";

// Appended to the Program Files folder; a plug-in is installed exactly when its module file exists.
constexpr wchar_t CLOCKLINE_MODULE_PATH[] = L"\\Quillmark\\VNPlugins\\Clockline\\Clockline.vp32";
constexpr wchar_t DRIFTCAST_MODULE_PATH[] = L"\\Quillmark\\VNPlugins\\Driftcast\\Driftcast.vp32";
constexpr wchar_t PANELGATE_MODULE_PATH[] = L"\\Quillmark\\VNPlugins\\Panelgate\\Panelgate.vp32";

// True when the product's "Build" value can be read into four bytes; its type and data do not matter.
bool isProductInstalled();
// Reads the "Build" value as isProductInstalled does, giving its type and its (at most four) bytes.
bool readProductBuild(DWORD& type, DWORD& data);
// The Program Files folder of 32-bit programs, without a trailing separator; empty on failure.
KString getProgramFilesFolder();
// The roaming AppData folder of the user who owns the desktop shell, or of the running account when
// the shell's token cannot be had; empty on failure.
KString getInteractiveUserAppDataFolder();
