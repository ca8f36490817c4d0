#pragma once

#include "KString.h"
#include "UniqueResource.h"

#include <windows.h>

// Checks for an elevated write below a folder that a less trusted account owns, and may have turned
// into a link (junction, symbolic link) or filled with hard links to files it could not write
// itself. A name is trusted only as far as a handle on it shows: opened without following a reparse
// point at its last level, the object must be no reparse point, a file must have exactly one link,
// and its final path must be the final path of the folder above the checked levels, followed by the
// rest of the name; letter case does not count. The folder above is taken as it is. The checks are
// made on the handle, so a swap after them does not reach what the caller does with it.

// How much of a path the open checks: the file alone, in a folder taken as it is, or also the folder
// that holds it, below a folder taken as it is.
enum class CheckedLevels { FILE = 1, FILE_AND_FOLDER = 2 };

// The existing file, when it is a plain file with exactly one link and nothing of the checked levels
// is redirected; an invalid handle means "leave it". Opened for access, shared for reading and
// writing. A read-only file is not opened for writing: the system would refuse the write, and the
// account the tests run as would not.
UniqueFileHandle openUnredirectedFile(const KString& path, DWORD access, CheckedLevels levels);

// True for a plain file with exactly one link, or for isFolder a folder, that is no reparse point.
bool isPlainObject(HANDLE object, bool isFolder);
// True when what was opened relative to the folder is that name in it, not what a link there leads
// to: its final path is the folder's followed by the name.
bool isNamedIn(HANDLE object, HANDLE folder, const wchar_t* name);

// The final path of an open object, links followed: "\\?\C:\...", without a trailing separator (a
// volume's root has one); empty when it cannot be named.
KString finalPath(HANDLE object);
// The same for an existing file or folder; empty when it cannot be opened or named.
KString finalPathOf(const KString& path);
