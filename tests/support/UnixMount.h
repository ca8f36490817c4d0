#pragma once

#include "foundation/KString.h"

#include <string>

// A file system of a fixed size mounted on a folder of the Wine prefix from the Linux side (tmpfs, as
// root), so that writes into the folder fail part way with a full disk, as on a full volume; unmounted
// when the object goes. Like a link, the mount is a Linux program's work (UnixProgram.h): the folder
// is watched, for a bounded time, for a marker file that the mount hides and the unmount shows again.
// wineOnly: the mounted folder shows as a reparse point; on Windows a full volume is an ordinary
// drive or a mounted folder.
class UnixMount {
public:
    // folder: an existing, empty folder; bytes: the size of the file system.
    UnixMount(const KString& folder, unsigned long bytes);
    UnixMount(const UnixMount&) = delete;
    UnixMount& operator=(const UnixMount&) = delete;
    ~UnixMount();

    // True when the file system is there; otherwise why not.
    bool isMounted() const { return problem.empty(); }
    const std::string& whyNotMounted() const { return problem; }

private:
    std::string folderUnixName;
    KString marker;
    std::string problem;
    bool mountStarted = false;
};
