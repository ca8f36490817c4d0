#pragma once

#include "foundation/KString.h"

// Copies the source into the desktop user's product folder, below appDataFolder (the answer of
// getInteractiveUserAppDataFolder that the caller also rewrites by), under fileName (which begins
// with the separator), creating the folder's last level and replacing what is there as
// ConfigurationCopy decides. An empty appDataFolder copies nothing. Nothing is reported.
void copyConfigurationFile(const KString& sourcePath, const KString& fileName, const KString& appDataFolder);
