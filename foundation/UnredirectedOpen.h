#pragma once

#include "KString.h"
#include "UniqueResource.h"

#include <windows.h>

// Opens for an elevated write below a folder that a less trusted account owns, and may have turned
// into a link (junction, symbolic link) or filled with hard links to files it could not write
// itself. A name is trusted only as far as a handle on it shows: opened without following a reparse
// point at its last level, the object must be no reparse point and its final path must be the final
// path of the folder above the checked levels, followed by the rest of the name; letter case does
// not count. The folder above is taken as it is. The checks are made on the handle returned, so a
// swap after them does not reach what the caller does with it; an invalid handle means "leave it".

// The folder, when it and its name are what they say below its parent. Opened to read attributes
// only, and shared for reading and writing but not for deletion, so that while it is held it cannot
// be renamed or removed and a link put in its place.
UniqueFileHandle openUnredirectedFolder(const KString& folder);

// The existing file, when it is a plain file with exactly one link and neither it nor the folder
// that holds it is redirected below that folder's parent. Opened for access, shared for reading and
// writing.
UniqueFileHandle openUnredirectedFile(const KString& path, DWORD access);

// The existing file, when it is a plain file with exactly one link and not redirected below the
// folder that holds it (which is taken as it is). Opened for access, shared for reading and writing.
UniqueFileHandle openPlainFileOfFolder(const KString& path, DWORD access);

// The name itself, whatever it is (a link, a file with several links), when a handle opened on it
// without following a link is on that name and not on what a link leads to: for removing the name,
// never its target. Opened for access, shared for reading, writing and deletion.
UniqueFileHandle openUnredirectedName(const KString& path, DWORD access);

// The final path of an existing file or folder, links followed: "\\?\C:\...", without a trailing
// separator (a volume's root has one); empty when it cannot be opened or named.
KString finalPathOf(const KString& path);
