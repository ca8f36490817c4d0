#pragma once

#include "foundation/KString.h"

#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class TemporaryFolder {
public:
    TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    // The folder, without a trailing separator.
    const KString& path() const { return folder; }
    // The folder joined with a name that begins with the separator.
    KString join(const wchar_t* name) const { return folder + name; }

private:
    KString folder;
};

// Writes bytes to a new file (replacing any); true when all were written.
bool writeFileBytes(const KString& path, const void* bytes, unsigned long byteCount);
// Reads a whole file; false when it cannot be opened or read.
bool readFileBytes(const KString& path, std::string& bytes);
// True while some handle on the file is open: an open that shares nothing fails only then.
bool isHeldOpen(const KString& path);
