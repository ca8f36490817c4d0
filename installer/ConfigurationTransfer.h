#pragma once

#include "foundation/KString.h"

// Copies the source into the desktop user's product folder under fileName (which begins with the
// separator), creating the folder's last level and replacing what is there. Nothing is reported.
void copyConfigurationFile(const KString& sourcePath, const KString& fileName);
