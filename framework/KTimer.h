#pragma once

// What a window's timer tick reaches, looked up in the registry's timer list.
class KTimer {
public:
    virtual ~KTimer() = default;
    virtual void onTimer() = 0;
};
