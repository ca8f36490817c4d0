#pragma once

#include "foundation/KString.h"

#include <windows.h>

// Copies the source into the desktop user's product folder, below appDataFolder (the answer of
// getInteractiveUserAppDataFolder that the caller also rewrites by), under fileName (which begins
// with the separator), creating the folder's last level and replacing what is there as
// ConfigurationCopy decides, with the rights of the user of userToken (null: the running account,
// in its own folder). An empty appDataFolder copies nothing. Nothing is reported.
void copyConfigurationFile(const KString& sourcePath, const KString& fileName, const KString& appDataFolder,
                           HANDLE userToken);
