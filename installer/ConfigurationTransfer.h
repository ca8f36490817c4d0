#pragma once

#include "ConfigurationCopy.h"

#include "foundation/KString.h"

#include <windows.h>

// The configuration's way into the desktop user's product folder, below appDataFolder (the answer of
// getInteractiveUserAppDataFolder that the caller also rewrites by), with the rights of the user of
// userToken (null: the running account, in its own folder). An empty appDataFolder is left alone.
// Nothing is reported.

// Copies the source under fileName (which begins with the separator), making the product folder's
// last level when it is missing and replacing what is there as ConfigurationCopy decides. Returns the
// file that the device rewrite after it opens.
RewriteTarget copyConfigurationFile(const KString& sourcePath, const KString& fileName,
                                    const KString& appDataFolder, HANDLE userToken);

// Makes the product folder when it is missing, relative to the AppData folder's handle.
void makeProductFolder(const KString& appDataFolder, HANDLE userToken);

// Puts right what a stopped copy of fileName (which begins with the separator) left beside it.
void recoverCopyLeftovers(const KString& appDataFolder, const KString& fileName, HANDLE userToken);
