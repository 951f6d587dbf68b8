#pragma once
#include "comms/serial/tapddispatcherthread.h"

#include <cstdint>

// Takes received bytes into the dispatch ring, checks the triggers and sends the
// notifications; also runs the timer triggers every 50 ms.
class TDispThread : public TApdDispatcherThread {
public:
    using TApdDispatcherThread::TApdDispatcherThread;

protected:
    void Execute() override;

private:
    void ProcessCommEvent(uint32_t Mask);
    void ProcessTimers();
    void CheckStatusUntilQuiet();
};
