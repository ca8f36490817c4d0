#pragma once

#include "KString.h"

// A folder path in the one form that every join and comparison of the system expects: full, with
// "." and ".." resolved, separators as backslashes, the trailing dots and blanks that Windows drops
// dropped, and no trailing separator (a drive's root is "C:"). Every spelling of a folder gives the
// same text, so that names join to it as file names ("\Profiles.db64") and lead where the folder's
// own name leads; a device path ("\\.\C:\...", "\\?\C:\...") keeps its prefix, and Windows resolves
// it as it says. Empty stays empty; a path that cannot be made full is given back as it was.
KString normalisedFolderPath(const KString& folder);
