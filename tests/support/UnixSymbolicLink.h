#pragma once

#include "foundation/KString.h"

#include <string>

// A symbolic link made on the Linux side of the Wine prefix, which Windows programs meet as a link
// (a folder link shows as a reparse point; a handle opened through it reaches the target). Wine 8
// cannot make one from the Windows side: CreateSymbolicLinkW succeeds and makes nothing. But Wine
// starts a Linux program given to CreateProcessW, so the link is made by /bin/ln and removed by
// /bin/rm, with the Unix names that Wine's wine_get_unix_file_name gives. Such a process yields no
// handle to wait on: the link's name is watched instead, for a bounded time.
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
