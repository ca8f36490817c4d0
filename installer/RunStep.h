#pragma once

#include "foundation/KString.h"

#include <windows.h>

// One step of an installation run, in the order the run takes them. The run executes them, the
// pre-flight check prints them: both get them from the plan (InstallationPlan::forEachStep).
enum class RunAction {
    SHOW_STATUS,         // the status line shows status
    WAIT,                // waitMs, so that the user can read the text
    SCAN_MACHINE,        // the first scan: what is installed, and the desktop user's product folder
    SCAN_FOLDER,         // the second scan: what the program folder offers
    RECOVER_LEFTOVERS,   // what a stopped copy of configuration file `item` left is put right
    INSTALL,             // the package of product `item` is installed
    MAKE_PRODUCT_FOLDER, // the product folder is made, before the first copy into it
    COPY,                // configuration file `item` is copied as its examination decides
    REWRITE_DEVICES,     // the database that the copy of `item` left gets this machine's identifiers
    ADVANCE_PROGRESS,    // the bar moves to percent, one step's share further
    FILL_PROGRESS,       // the bar is filled, whatever the steps came to
    CLOSE,               // the window closes
};

// What an action does not have is left as it was: read only what the action has.
struct RunStep {
    RunAction action = RunAction::SHOW_STATUS;
    int item = 0;     // the product, or the configuration file, the action is for
    DWORD waitMs = 0; // WAIT
    int percent = 0;  // ADVANCE_PROGRESS
    KString status;   // SHOW_STATUS
};

// Receives the steps one by one, each before the next is made: the steps after a scan depend on
// what the visitor's scan found.
class RunStepVisitor {
public:
    virtual ~RunStepVisitor() = default;
    virtual void visit(const RunStep& step) = 0;
};
