#pragma once

#include "DatabaseWalk.h" // isPseudoDevice, the rule of which devices are never looked up
#include "foundation/KString.h"

#include <windows.h>

// Replaces the endpoint identifiers stored in one configuration database by those of this machine's
// active endpoints with the same friendly names, in place. Only the signature, the header's
// identifiers and the first device-pair record's identifiers may change; a device with no endpoint
// ends the update, before any write when it is a header device. A missing path is left missing. Only
// a plain file with one link whose final path is its folder's parent's followed by the folder and
// file names is touched: a link, a hard-linked file or a path through a linked folder is left alone.
// The file is opened with the rights of the user of userToken (null: the running account's), and
// left alone when they cannot be taken. Reports nothing. COM must be initialised on the calling thread.
void updateDeviceIds(const KString& path, HANDLE userToken = nullptr);
