#pragma once

#include "foundation/HeldFolder.h"
#include "foundation/KString.h"

// What a configuration copy stopped part way (the process ended, the system went down) leaves beside
// the file in the product folder, and what the next run does with it. A copy makes these names new
// and shares them with no one while it works, so a leftover that cannot be opened for removal belongs
// to a copy still at work, or to someone else, and is left alone.
enum class Leftover {
    OVERWRITE_BACKUP, // "<name>.pellmont-backup": the old bytes of a file being written over in place
    MOVED_ASIDE,      // "<name>.pellmont-old": the user's file, moved aside for the copy
    UNFINISHED_COPY,  // "<name>.pellmont-new": the copy, before it got the name
};
constexpr int LEFTOVER_KINDS = 3;

enum class LeftoverRecovery {
    NONE,         // not there
    LEFT_ALONE,   // it cannot be opened for removal, or is not a file of the folder
    PUT_BACK,     // nothing has the name: it gets the name back
    WRITTEN_BACK, // its bytes are written over the file that has the name, then it goes
    REMOVED,      // the name holds a whole file: it goes
};

// The name of a leftover of fileName (given without the separator).
KString leftoverName(const wchar_t* fileName, Leftover kind);

// The leftovers of one configuration file and what recovery does with each. Everything is done with
// the rights the calling thread has: callers take the desktop user's.
class CopyLeftovers {
public:
    // Finds them, changing nothing.
    void find(const HeldFolder& folder, const wchar_t* fileName) { visit(folder, fileName, false); }
    // Puts back, writes back and removes what find would find to do.
    void recover(const HeldFolder& folder, const wchar_t* fileName) { visit(folder, fileName, true); }

    LeftoverRecovery recovery(Leftover kind) const { return recoveries[static_cast<int>(kind)]; }
    bool areThere() const;
    // Once recovery is done: the name whose file then has the configuration file's name, and the
    // name whose bytes that file then holds.
    KString fileAfterRecovery(const wchar_t* fileName) const;
    KString contentAfterRecovery(const wchar_t* fileName) const;

private:
    void visit(const HeldFolder& folder, const wchar_t* fileName, bool act);

    LeftoverRecovery recoveries[LEFTOVER_KINDS] = {};
};
