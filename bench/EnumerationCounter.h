#pragma once

// Counts how often this process asks the system's audio device enumerator for its endpoints
// (IMMDeviceEnumerator::EnumAudioEndpoints). Every enumerator of the process shares the system
// object's method table, so redirecting its entry once counts every enumeration that follows,
// those of the code under measurement included. COM must be initialised on the calling thread.
// Not thread-safe; the benchmark runs on one thread.

// False when the system's enumerator cannot be made or its method table not redirected.
bool startCountingEnumerations();
unsigned long enumerationCount();
