#include "comms/serial/toutthread.h"

#include "comms/serial/tapdwin32dispatcher.h"

void TOutThread::Execute()
{
    ++H.ThreadCount;
    H.GeneralEvent->Set();
    for (;;) {
        const int which = SyncEvent::WaitAny({H.OutputEvent.get(), H.OutFlushEvent.get()}, -1);
        if (which == 0) {
            if (H.KillThreads)
                break;
            if (!WriteOutRing())
                H.GeneralEvent->Set();
        } else if (which == 1) {
            H.GeneralEvent->Set();
        }
        if (H.KillThreads || H.ClosePending)
            break;
    }
    H.ThreadGone(this);
}

bool TOutThread::WriteOutRing()
{
    // Bounded only by the data: every pass writes, drops or waits for the device.
    for (;;) {
        const char* run = nullptr;
        const int len = H.OutRingPeek(run);
        if (len <= 0)
            return true;
        const int written = H.Device.Write(run, len);
        if (written > 0) {
            H.OutRingConsume(written);
            continue;
        }
        if (written < 0) {
            H.OutRingConsume(len);  // a failed write drops the block
            continue;
        }
        // The device takes nothing now: wait until it can, or a flush or stop request.
        const int w = H.Device.WaitWritable(H.OutFlushEvent->fd(), 100);
        if (w == 2) {
            if (H.OutFlushEvent->TryTake() || H.KillThreads)
                return false;
        } else if (w < 0) {
            H.OutRingConsume(len);
        }
        if (H.KillThreads)
            return false;
    }
}
