#include "KRunnable.h"

void KRunnable::run(KThread*) {}
