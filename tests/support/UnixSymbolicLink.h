#pragma once

#include "foundation/KString.h"

#include <string>

// A symbolic link made on the Linux side of the Wine prefix, which Windows programs meet as a link
// (a folder link shows as a reparse point; a handle opened through it reaches the target). The link
// is made by /bin/ln and removed by /bin/rm (UnixProgram.h), and its name is watched until it is there
// or gone, for a bounded time.
// wineOnly: Wine 8 cannot make a link from the Windows side (CreateSymbolicLinkW succeeds and makes
// nothing), and every open of a file link reaches its target, FILE_FLAG_OPEN_REPARSE_POINT or not; on
// Windows CreateSymbolicLinkW makes the link, and that flag opens the link itself.
class UnixSymbolicLink {
public:
    // Makes link (a Windows path that names nothing yet) point to target.
    UnixSymbolicLink(const KString& target, const KString& link);
    UnixSymbolicLink(const UnixSymbolicLink&) = delete;
    UnixSymbolicLink& operator=(const UnixSymbolicLink&) = delete;
    // Removes the link, never what it points to.
    ~UnixSymbolicLink();

    // True when the link is there; otherwise why not.
    bool isMade() const { return problem.empty(); }
    const std::string& whyNotMade() const { return problem; }

private:
    std::string linkUnixName;
    KString linkName;
    std::string problem;
};
