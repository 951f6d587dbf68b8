// The dispatcher thread's side of TApdBaseDispatcher: checking the triggers and telling the
// handlers.
#include "comms/dispatch/tapdbasedispatcher.h"

#include "comms/core/tapdsyncqueue.h"

#include <QChar>
#include <algorithm>

namespace {

constexpr int kWndTimeoutMs = 3000;

uint32_t makeLParam(int32_t handle, uint32_t data) { return (uint32_t(handle) << 16) + data; }

}  // namespace

bool TApdBaseDispatcher::CheckTriggers()
{
    return CheckTimerTriggers() || CheckStatusTriggers() || CheckReceiveTriggers();
}

bool TApdBaseDispatcher::CheckTimerTriggers()
{
    int32_t handle = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        for (auto& t : TimerTriggers) {
            if (t.Active && TimerExpired(t.ET)) {
                t.Active = false;
                handle = t.Handle;
                break;
            }
        }
        if (handle == 0)
            return false;
        AddDispatchEntry(dtTrigger, dstTimer, uint32_t(handle), nullptr, 0);
    }
    return SendNotify(wmTriggerTimer, uint32_t(handle), 0);
}

bool TApdBaseDispatcher::CheckStatusTriggers()
{
    int32_t handle = 0;
    uint32_t data = 0;
    {
        const int outUsed = OutRingUsed();
        const int outFree = OutQue - outUsed;
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        for (auto& t : StatusTriggers) {
            if (!t.Armed || t.Hit)
                continue;
            bool fires = false;
            switch (t.Kind) {
            case stModem:
                fires = (((t.Value & 0xFF) ^ ModemStatus) & (t.Value >> 8)) != 0;
                break;
            case stLine:
                if ((t.Value & LastError) != 0) {
                    fires = true;
                    t.Value = uint16_t(LastError.load());
                }
                break;
            case stOutBuffFree:
                fires = outFree >= int(t.Value);
                data = uint32_t(std::max(outFree, 0));
                break;
            case stOutBuffUsed:
                fires = outUsed <= int(t.Value);
                data = uint32_t(std::max(outUsed, 0));
                break;
            case stOutSent:
                fires = OutSentPending.exchange(false);
                break;
            default:
                break;
            }
            if (fires) {
                t.Armed = false;
                t.Hit = true;
                StatHit = true;
                handle = t.Handle;
                break;
            }
            data = 0;
        }
        if (handle == 0)
            return false;
        AddDispatchEntry(dtTrigger, dstStatus, uint32_t(handle), nullptr, 0);
    }
    return SendNotify(wmTriggerStatus, uint32_t(handle), data);
}

bool TApdBaseDispatcher::MatchDataTrigger(TDataTrigger& T, char C)
{
    if (T.IgnoreCase)
        C = char(QChar::toUpper(uchar(C)));
    const int len = T.Length;
    bool started = false;
    bool scan = true;
    bool matched = false;
    for (int i = 0; i < len; ++i) {
        if (scan) {
            const int p = T.Counters[i];
            if (T.Str[p] == C) {
                if (p == len - 1) {
                    std::fill(std::begin(T.Counters), std::end(T.Counters), 0);
                    matched = true;
                } else {
                    T.Counters[i] = p + 1;
                }
            } else if (T.Str[0] == C) {
                T.Counters[i] = 1;
                started = true;
            } else {
                T.Counters[i] = 0;
            }
        }
        if (T.Counters[i] == 1)
            started = true;
        if (i + 1 >= len)
            scan = false;
        else if (started)
            scan = T.Counters[i + 1] != 0;
        else
            scan = T.Counters[i + 1] != 0 || T.Str[0] == C;
    }
    return matched;
}

bool TApdBaseDispatcher::CheckReceiveTriggers()
{
    uint64_t head;
    uint64_t tail;
    {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        if (DBuffer.empty())
            return false;
        head = DBufHead;
        tail = DBufTail;
    }
    // Bytes behind the read position were taken or flushed away: they fire nothing. Bytes
    // more than a ring behind the head have been overwritten.
    uint64_t pos = std::max({LastCheckPos, tail, head > uint64_t(DispatchBufferSize) ? head - DispatchBufferSize : 0});
    // Only this thread writes the ring, so bytes below the head stay put while we read them.
    const char* ring = DBuffer.data();

    int32_t lenTrigger;
    std::vector<std::pair<int32_t, int32_t>> fired;  // handle, length; last in the list first
    int longest = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        lenTrigger = LenTrigger;
        for (; pos != head; ++pos) {
            const char c = ring[pos % DispatchBufferSize];
            bool any = false;
            for (auto& t : DataTriggers) {
                if (t.Length <= 0)
                    continue;
                if (!t.Matched)
                    t.Matched = MatchDataTrigger(t, c);
                if (t.Matched) {
                    any = true;
                    longest = std::max(longest, int(t.Length));
                }
            }
            if (any)
                break;
        }
    }

    if (pos != head) {
        bool result = true;
        if (lenTrigger > 0 && LastLenPos != pos) {
            const int64_t n = int64_t(pos - tail + 1) - longest;
            if (n >= lenTrigger) {
                {
                    std::lock_guard<std::recursive_mutex> lock(MainLock);
                    AddDispatchEntry(dtTrigger, dstAvail, uint32_t(n), nullptr, 0);
                }
                result = SendNotify(wmTriggerAvail, uint32_t(n), 0);
                LastLenPos = pos;
            }
        }
        // From the last trigger in the list to the first; no record is kept across a handler.
        for (int i = int(DataTriggers.size()) - 1; i >= 0; --i) {
            int32_t handle = 0;
            int32_t length = 0;
            {
                std::lock_guard<std::recursive_mutex> lock(MainLock);
                if (i >= int(DataTriggers.size()))
                    break;
                TDataTrigger& t = DataTriggers[i];
                if (!t.Matched)
                    continue;
                t.Matched = false;
                handle = t.Handle;
                length = t.Length;
                AddDispatchEntry(dtTrigger, dstData, uint32_t(handle), nullptr, 0);
            }
            result = SendNotify(wmTriggerData, uint32_t(handle), uint32_t(length));
        }
        LastCheckPos = pos + 1;
        return result;
    }

    LastCheckPos = pos;
    const int n = InBuffUsed();
    if (lenTrigger > 0 && LastLenPos != pos && n >= lenTrigger) {
        {
            std::lock_guard<std::recursive_mutex> lock(MainLock);
            AddDispatchEntry(dtTrigger, dstAvail, uint32_t(n), nullptr, 0);
        }
        LastLenPos = pos;
        return SendNotify(wmTriggerAvail, uint32_t(n), 0);
    }
    return false;
}

bool TApdBaseDispatcher::SendNotify(uint32_t Msg, uint32_t wParam, uint32_t Data)
{
    if (!HandlersInstalled)
        return true;
    {
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        NotifyBusy = true;
    }
    const bool dataNotify = Msg == wmTriggerAvail || Msg == wmTriggerData;
    {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        TakenMax = 0;
        TakenNow = 0;
        DataNotify = dataNotify;
    }
    const int32_t lParam = int32_t(makeLParam(Handle, Data));
    bool result = true;
    bool closed = false;

    // Always at the end, also when a handler throws: leave the busy state and free the
    // handlers that were removed meanwhile.
    struct Finish {
        TApdBaseDispatcher* d;
        ~Finish() { d->EndNotify(); }
    } finish{this};

    // After each handler: stop at a close, else note how far it read.
    const auto afterHandler = [&] {
        if (ClosePending) {
            closed = true;
            return false;
        }
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        TakenMax = std::max(TakenMax, TakenNow);
        return true;
    };
    const auto beforeHandler = [&] {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        TakenNow = 0;
    };

    std::size_t count;
    {
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        count = EventTriggerHandlers.size();
    }
    for (std::size_t i = 0; i < count && !closed; ++i) {
        TApdNotifyEvent method;
        bool sync = false;
        {
            std::lock_guard<std::recursive_mutex> lock(MainLock);
            if (i >= EventTriggerHandlers.size())
                break;
            const EventHandler& h = EventTriggerHandlers[i];
            if (h.Deleted || !h.Method)
                continue;
            method = h.Method;
            sync = h.Sync;
        }
        beforeHandler();
        if (sync)
            TApdSyncQueue::Call([&] { method(Msg, wParam, lParam); }, -1, this);
        else
            method(Msg, wParam, lParam);
        if (!afterHandler())
            break;
    }

    {
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        count = ProcTriggerHandlers.size();
    }
    for (std::size_t i = 0; i < count && !closed; ++i) {
        TApdNotifyProc proc = nullptr;
        {
            std::lock_guard<std::recursive_mutex> lock(MainLock);
            if (i >= ProcTriggerHandlers.size())
                break;
            if (ProcTriggerHandlers[i].Deleted)
                continue;
            proc = ProcTriggerHandlers[i].Proc;
        }
        if (!proc)
            continue;
        beforeHandler();
        proc(Msg, wParam, lParam);
        if (!afterHandler())
            break;
    }

    bool windows;
    {
        std::lock_guard<std::recursive_mutex> lock(MainLock);
        count = WndTriggerHandlers.size();
        windows = count >= 2 || PortNotify;
    }
    for (std::size_t i = 0; windows && i < count && !closed; ++i) {
        HWND wnd = 0;
        {
            std::lock_guard<std::recursive_mutex> lock(MainLock);
            if (i >= WndTriggerHandlers.size())
                break;
            if (WndTriggerHandlers[i].Deleted)
                continue;
            wnd = WndTriggerHandlers[i].Wnd;
        }
        beforeHandler();
        SendMessageTimeout(wnd, Msg, wParam, lParam, kWndTimeoutMs, nullptr, this);
        if (!afterHandler())
            break;
    }

    if (closed) {
        result = false;
    } else if (dataNotify) {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        DataNotify = false;
        DBufTail += std::min<uint64_t>(uint64_t(std::max(TakenMax, 0)), DBufHead - DBufTail);
        if (Msg == wmTriggerAvail && uint32_t(TakenMax) != wParam)
            result = false;
    }

    return result;
}

void TApdBaseDispatcher::EndNotify()
{
    {
        std::lock_guard<std::recursive_mutex> lock(DispLock);
        DataNotify = false;
        TakenNow = 0;
    }
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    NotifyBusy = false;
    if (PurgePending) {
        const auto purge = [](auto& list) {
            for (auto i = list.size(); i-- > 0;)
                if (list[i].Deleted)
                    list.erase(list.begin() + std::ptrdiff_t(i));
        };
        purge(WndTriggerHandlers);
        purge(ProcTriggerHandlers);
        purge(EventTriggerHandlers);
        PurgePending = false;
        UpdateHandlerFlags(fuKeepPort);
    }
}
