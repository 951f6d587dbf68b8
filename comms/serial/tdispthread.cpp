#include "comms/serial/tdispthread.h"

#include "comms/serial/tapdwin32dispatcher.h"

namespace {
constexpr int kRoundMs = 50;
constexpr uint32_t kModemEvents = 0x2138;  // CTS, DSR, carrier, ring, ring trailing edge
}  // namespace

void TDispThread::Execute()
{
    ++H.ThreadCount;
    H.GeneralEvent->Set();
    for (;;) {
        H.ComEvent->Wait(kRoundMs);
        if (H.KillThreads)
            break;
        ProcessCommEvent(H.EventMask.exchange(0));
        ProcessTimers();
        if (H.KillThreads || H.ClosePending) {
            H.GeneralEvent->Set();
            break;
        }
    }
    H.ThreadGone(this);
}

void TDispThread::CheckStatusUntilQuiet()
{
    if (H.EventBusy())
        return;
    while (!H.ClosePending && H.CheckStatusTriggers()) {
    }
    bool hit;
    {
        std::lock_guard<std::recursive_mutex> lock(H.MainLock);
        hit = H.StatHit;
    }
    if (hit)
        H.ResetStatusHits();
}

void TDispThread::ProcessCommEvent(uint32_t Mask)
{
    if (Mask & kModemEvents) {
        H.MapEventsToMS(Mask);
        CheckStatusUntilQuiet();
    }
    if ((Mask & 0xFF) > 63) {
        H.RefreshStatus();
        CheckStatusUntilQuiet();
    }
    H.ExtractData();
    if (!H.EventBusy()) {
        H.GetModemStatusPrim(0xF0);
        while (!H.ClosePending && H.CheckStatusTriggers()) {
        }
        while (!H.ClosePending && !H.EventBusy() && H.CheckReceiveTriggers()) {
        }
    }
    bool hit;
    {
        std::lock_guard<std::recursive_mutex> lock(H.MainLock);
        hit = H.StatHit;
    }
    if (hit)
        H.ResetStatusHits();
    H.ReadyEvent->Set();
}

void TDispThread::ProcessTimers()
{
    if (H.ClosePending || H.EventBusy())
        return;
    {
        std::lock_guard<std::recursive_mutex> lock(H.MainLock);
        H.StatHit = false;
    }
    for (int round = 0; round < 1000 && !H.ClosePending; ++round) {
        const bool status = H.CheckStatusTriggers();
        const bool timer = !H.ClosePending && H.CheckTimerTriggers();
        if (!status && !timer)
            break;
    }
    bool hit;
    {
        std::lock_guard<std::recursive_mutex> lock(H.MainLock);
        hit = H.StatHit;
    }
    if (hit)
        H.ResetStatusHits();
}
