#pragma once

class KThread;

// Work that a KThread runs on its own thread.
class KRunnable {
public:
    virtual ~KRunnable() = default;
    virtual void run(KThread* thread);
};
