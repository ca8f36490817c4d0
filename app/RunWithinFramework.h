#pragma once

#include <windows.h>

class KApplication;

// The program from the framework's start to its shutdown: the command line as KStrings, the
// application that makeApplication gives, its run, and the teardown in the order the parts depend
// on. The result is the application's, and becomes the process exit code.
int runWithinFramework(HINSTANCE instance, KApplication* (*makeApplication)());
