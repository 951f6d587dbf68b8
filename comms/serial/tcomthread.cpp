#include "comms/serial/tcomthread.h"

#include "comms/serial/tapdwin32dispatcher.h"

namespace {
// Received data, CTS, DSR, carrier, break, line error, ring and its trailing edge (the ring
// change that status triggers see; the device reports it here).
constexpr uint32_t kWaitMask = EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING | EV_RING_TE;
}

void TComThread::Execute()
{
    ++H.ThreadCount;
    H.GeneralEvent->Set();
    for (;;) {
        uint32_t events = kWaitMask;
        H.WaitComEvent(events);
        if (events & (EV_RING | EV_RING_TE))
            H.RingFlag = true;
        if (H.KillThreads)
            break;
        H.EventMask = events;
        H.ComEvent->Set();
        H.ReadyEvent->Wait(-1);
        if (H.KillThreads)
            break;
    }
    H.GeneralEvent->Set();
    H.ThreadGone(this);
}
