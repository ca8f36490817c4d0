#pragma once

class KApplication;
class KString;

// Runs the application's main, or its onAnotherInstance when it allows one instance only and another
// holds the mutex (or the mutex cannot be made). The result becomes the process exit code.
int runApplication(KApplication* application, KString** arguments, int argumentCount);
