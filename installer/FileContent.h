#pragma once

#include <windows.h>

// Moving the bytes of configuration files between open handles.

// Moves the file's position to its start.
bool rewind(HANDLE file);

// Everything from the source's position to its end, written at the destination's position; false
// when a read or a write failed.
bool copyBytes(HANDLE source, HANDLE destination);

// Writes the whole source over the target in place, from the start, and cuts the target to the
// source's length: for a file that cannot be replaced by name because its holder does not share
// deletion. The room a longer file needs is written first, past the target's end, so that a full
// disk fails before the first byte of the target changes. False when something failed; the target
// may then hold a mix, which the caller puts right from a copy of the old bytes.
bool writeInPlace(HANDLE source, HANDLE target);
