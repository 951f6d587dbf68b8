#pragma once
#include "comms/serial/tapddispatcherthread.h"

// Writes the output ring to the device, waiting for the device whenever it takes no more.
class TOutThread : public TApdDispatcherThread {
public:
    using TApdDispatcherThread::TApdDispatcherThread;

protected:
    void Execute() override;

private:
    // False when a flush or stop request ended the writing.
    bool WriteOutRing();
};
