#pragma once
#include "comms/serial/tapddispatcherthread.h"

// Waits for device events (received data, modem lines, line errors) and hands each one to
// the dispatch thread, then waits until that thread has processed it.
class TComThread : public TApdDispatcherThread {
public:
    using TApdDispatcherThread::TApdDispatcherThread;

protected:
    void Execute() override;
};
