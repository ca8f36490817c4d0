#pragma once

#include "DatabaseBuilder.h"

#include "foundation/KString.h"

#include <string>

// A configuration database as the runs and the check meet it: entries of both payload kinds, a record
// of another type, then one device-pair record; the header's and the record's devices named as given,
// with identifiers of another machine.
DatabaseDescription deviceDatabase(const std::wstring& headerFirst, const std::wstring& headerSecond,
                                   const std::wstring& recordFirst, const std::wstring& recordSecond);

// The runs' database: the header's devices "Speakers (Studio USB)" and "Microphone (Studio USB)", the
// record's "Headphones" and "Monitor of Speakers (Studio USB)", all endpoints of the test platform,
// and bytes after the record list.
DatabaseFile runDatabase();

// Expects the file at path to be a run's rewrite of original (runDatabase): as long, signed "VNC", and
// with this machine's identifiers of the four devices, as the enumerator lists them.
void expectRewrittenRunDatabase(const KString& path, const DatabaseFile& original);
