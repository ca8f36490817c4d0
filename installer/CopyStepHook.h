#pragma once

// The steps of a configuration copy that can fail or be interrupted, so that tests can make each of
// them fail, or stop the process there, and hold the copy to what it promises: the user's file is
// never lost and the name never holds a partial file.
enum class CopyStep {
    WRITE,             // each write of file content: the fresh copy, a backup, an overwrite
    RESERVE,           // the space an overwrite in place needs, before its first byte
    CUT_TO_SIZE,       // the end of an overwritten file
    RENAME_OVER,       // the fresh copy given the name in one step
    MOVE_ASIDE,        // the file that has the name renamed aside, where it is held open
    RENAME_INTO_PLACE, // the fresh copy given the freed name
    PUT_BACK,          // the file moved aside given its name back
    REMOVE,            // a name of the copy's own removed: the file moved aside, a backup
};

// Called before each step with the context given; false makes the step fail as if the system had
// refused it. Null, the default, lets every step go on.
using CopyStepHook = bool (*)(CopyStep step, void* context);
void setCopyStepHook(CopyStepHook hook, void* context);

// True when the step may go on.
bool copyStepAllowed(CopyStep step);
