#pragma once

#include "foundation/KString.h"

#include <windows.h>

#include <shlobj.h>

// The real packages the build made for the tests (TestPaths.h), by file name ("\VN1.5.3 Setup.msi").
KString testPackage(const wchar_t* name);

// A package of each product, in the products' order: Veltrano Pro, then the three plug-ins.
extern const wchar_t* const PRODUCT_PACKAGES[4];
// The plug-ins by name, in their order: Clockline, Driftcast, Panelgate.
extern const wchar_t* const PLUGINS[3];

// Installs a test package for the machine, as an operator would; msiexec.exe's exit code.
DWORD installTestPackage(const wchar_t* name);
// Whether the Windows Installer has the package's product installed for the machine.
bool isPackageInstalled(const KString& packagePath);
// Removes what the package installed; a package that is not installed is left alone.
void uninstallPackage(const KString& packagePath);

// Where a 32-bit package puts its registry values and files, named as a package's own 32-bit code
// would name them: the shipped 32-bit program on 64-bit Windows is redirected there by the system,
// without flags of its own; a 64-bit process has to ask for the 32-bit places.
constexpr bool IS_32_BIT_PROCESS = sizeof(void*) == 4;
constexpr REGSAM PACKAGE_REGISTRY_VIEW = IS_32_BIT_PROCESS ? 0 : KEY_WOW64_32KEY;
constexpr int PACKAGE_PROGRAM_FILES_FOLDER = IS_32_BIT_PROCESS ? CSIDL_PROGRAM_FILES : CSIDL_PROGRAM_FILESX86;

// The Program Files folder the packages install into.
KString packageProgramFilesFolder();
// The module file whose presence tells that plug-in plugin (an index of PLUGINS) is installed.
KString pluginModuleFile(int plugin);
