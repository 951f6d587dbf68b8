// Triggers and handlers of TApdBaseDispatcher: adding, setting and removing them, and the
// checks that fire them.
#include "comms/dispatch/tapdbasedispatcher.h"

#include "comms/core/adexcept.h"

#include <QChar>
#include <algorithm>
#include <cstring>

namespace {

char upperCase(char c) { return char(QChar::toUpper(uchar(c))); }

}  // namespace

// ---- Handles ----

int TApdBaseDispatcher::GetTriggerHandle()
{
    if (TriggerCounter < 4096)
        return TriggerCounter++ * 8;
    for (int h = 8; h <= 4096; h += 8) {
        const bool used =
            std::any_of(TimerTriggers.begin(), TimerTriggers.end(), [h](auto& t) { return t.Handle == h; }) ||
            std::any_of(StatusTriggers.begin(), StatusTriggers.end(), [h](auto& t) { return (t.Handle & ~7) == h; }) ||
            std::any_of(DataTriggers.begin(), DataTriggers.end(), [h](auto& t) { return t.Handle == h; });
        if (!used)
            return h;
    }
    return 0;
}

// ---- Adding and setting ----

int TApdBaseDispatcher::AddTimerTrigger()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    const int h = GetTriggerHandle();
    if (h == 0)
        return ecNoMoreTriggers;
    TTimerTrigger t;
    t.Handle = h;
    TimerTriggers.push_back(t);
    AddDispatchEntry(dtTriggerAlloc, dstTimerTrigger, uint32_t(h), nullptr, 0);
    return h;
}

int TApdBaseDispatcher::AddDataTrigger(const QByteArray& S, bool IgnoreCase)
{
    return AddDataTriggerLen(S, IgnoreCase, int(S.size()));
}

int TApdBaseDispatcher::AddDataTriggerLen(const QByteArray& S, bool IgnoreCase, int Len)
{
    if (Len > MaxTrigData)
        return ecTriggerTooLong;
    Len = std::clamp(Len, 0, int(S.size()));
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    const int h = GetTriggerHandle();
    if (h == 0)
        return ecNoMoreTriggers;
    TDataTrigger t;
    t.Handle = h;
    t.Length = Len;
    t.IgnoreCase = IgnoreCase;
    for (int i = 0; i < Len; ++i)
        t.Str[i] = IgnoreCase ? upperCase(S[i]) : S[i];
    DataTriggers.push_back(t);
    AddDispatchEntry(dtTriggerAlloc, dstDataTrigger, uint32_t(h), t.Str, uint32_t(Len));
    return h;
}

int TApdBaseDispatcher::AddStatusTrigger(int Kind)
{
    if (Kind < 0 || Kind > stOutSent)
        return ecBadArgument;
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    const int h = GetTriggerHandle();
    if (h == 0)
        return ecNoMoreTriggers;
    TStatusTrigger t;
    t.Handle = h + Kind;
    t.Kind = Kind;
    StatusTriggers.push_back(t);
    const char kind = char(Kind);
    AddDispatchEntry(dtTriggerAlloc, dstStatusTrigger, uint32_t(t.Handle), &kind, 1);
    return t.Handle;
}

int TApdBaseDispatcher::SetTimerTrigger(int32_t Handle, int32_t Ticks, bool Activate)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    auto it = std::find_if(TimerTriggers.begin(), TimerTriggers.end(), [&](auto& t) { return t.Handle == Handle; });
    if (it == TimerTriggers.end())
        return ecBadTriggerHandle;
    if (Activate) {
        if (Ticks != 0)
            it->Ticks = Ticks;
        NewTimer(it->ET, it->Ticks);
        AddDispatchEntry(dtTriggerDataChange, dstTimerTrigger, uint32_t(Handle), &it->Ticks, 4);
    } else {
        AddDispatchEntry(dtTriggerDataChange, dstTimerTrigger, uint32_t(Handle), "Deactivated", 11);
    }
    it->Active = Activate;
    return ecOK;
}

int TApdBaseDispatcher::ExtendTimer(int32_t Handle, int32_t Ticks)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    auto it = std::find_if(TimerTriggers.begin(), TimerTriggers.end(), [&](auto& t) { return t.Handle == Handle; });
    if (it == TimerTriggers.end())
        return ecBadTriggerHandle;
    it->ET.ExpireTicks += Ticks;
    AddDispatchEntry(dtTriggerDataChange, dstTimerTrigger, uint32_t(Handle), &Ticks, 4);
    return ecOK;
}

int TApdBaseDispatcher::TimerTicksRemaining(int32_t Handle, int32_t& Remaining)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    auto it = std::find_if(TimerTriggers.begin(), TimerTriggers.end(), [&](auto& t) { return t.Handle == Handle; });
    if (it == TimerTriggers.end())
        return ecBadTriggerHandle;
    Remaining = RemainingTime(it->ET);
    return ecOK;
}

int TApdBaseDispatcher::SetStatusTrigger(int32_t Handle, uint16_t Value, bool Activate)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    auto it = std::find_if(StatusTriggers.begin(), StatusTriggers.end(), [&](auto& t) { return t.Handle == Handle; });
    if (it == StatusTriggers.end())
        return ecBadTriggerHandle;
    if (Activate) {
        switch (it->Kind) {
        case stModem:
            // The caller names the lines to watch (0x10 CTS, ...); they become the high byte,
            // their states when armed the low byte.
            it->Value = uint16_t(((Value & 0xFF) << 8) | (ModemStatus & Value & 0xFF));
            break;
        case stLine:
            it->Value = uint16_t((Value & 0x0F) << 1);
            break;
        case stOutBuffFree:
        case stOutBuffUsed:
            it->Value = Value;
            break;
        default:
            break;
        }
    }
    it->Armed = Activate;
    const uint32_t value = it->Value;
    AddDispatchEntry(dtTriggerDataChange, dstStatusTrigger, uint32_t(Handle), &value, 4);
    return ecOK;
}

void TApdBaseDispatcher::ChangeLengthTrigger(int32_t Length)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    LenTrigger = Length;
    AddDispatchEntry(dtTriggerDataChange, dstAvailTrigger, uint32_t(Length), nullptr, 0);
}

// ---- Finding and removing ----

int TApdBaseDispatcher::FindTriggerFromHandle(int32_t Handle, bool Remove, TTriggerType& Type, TTimerTrigger* Timer,
                                              TDataTrigger* Data, TStatusTrigger* Status)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    Type = ttNone;
    if (Handle == LenTriggerHandle) {
        Type = ttAvail;
        return ecOK;
    }
    for (auto it = TimerTriggers.begin(); it != TimerTriggers.end(); ++it)
        if (it->Handle == Handle) {
            Type = ttTimer;
            if (Timer)
                *Timer = *it;
            if (Remove) {
                AddDispatchEntry(dtTriggerDispose, dstTimer, uint32_t(Handle), nullptr, 0);
                TimerTriggers.erase(it);
            }
            return ecOK;
        }
    for (auto it = DataTriggers.begin(); it != DataTriggers.end(); ++it)
        if (it->Handle == Handle) {
            Type = ttData;
            if (Data)
                *Data = *it;
            if (Remove) {
                AddDispatchEntry(dtTriggerDispose, dstData, uint32_t(Handle), nullptr, 0);
                DataTriggers.erase(it);
            }
            return ecOK;
        }
    for (auto it = StatusTriggers.begin(); it != StatusTriggers.end(); ++it)
        if (it->Handle == Handle) {
            Type = ttStatus;
            if (Status)
                *Status = *it;
            if (Remove) {
                const char kind = char(it->Kind);
                AddDispatchEntry(dtTriggerDispose, dstStatusTrigger, uint32_t(Handle), &kind, 1);
                StatusTriggers.erase(it);
            }
            return ecOK;
        }
    return ecBadTriggerHandle;
}

int TApdBaseDispatcher::RemoveTrigger(int32_t Handle)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (Handle == LenTriggerHandle) {
        LenTrigger = 0;
        return ecOK;
    }
    TTriggerType type;
    return FindTriggerFromHandle(Handle, true, type);
}

void TApdBaseDispatcher::RemoveAllTriggers()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    LenTrigger = 0;
    TimerTriggers.clear();
    DataTriggers.clear();
    StatusTriggers.clear();
    TriggerCounter = 1;
}

void TApdBaseDispatcher::ResetStatusHits()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    for (auto& t : StatusTriggers)
        t.Hit = false;
    StatHit = false;
}

void TApdBaseDispatcher::ResetDataTriggers()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    for (auto& t : DataTriggers)
        std::fill(std::begin(t.Counters), std::end(t.Counters), 0);
}

void TApdBaseDispatcher::SaveTriggers(TTriggerSave& Save)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    Save.LenTrigger = LenTrigger;
    Save.TimerTriggers = TimerTriggers;
    Save.DataTriggers = DataTriggers;
    Save.StatusTriggers = StatusTriggers;
}

void TApdBaseDispatcher::RestoreTriggers(TTriggerSave& Save)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    LenTrigger = Save.LenTrigger;
    TimerTriggers = Save.TimerTriggers;
    DataTriggers = Save.DataTriggers;
    StatusTriggers = Save.StatusTriggers;
}

void TApdBaseDispatcher::ClearSaveBuffers(TTriggerSave& Save)
{
    Save.TimerTriggers.clear();
    Save.DataTriggers.clear();
    Save.StatusTriggers.clear();
}

// ---- Handlers ----

void TApdBaseDispatcher::RegisterWndTriggerHandler(HWND Wnd)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    WndTriggerHandlers.push_back({Wnd, false});
    HandlersInstalled = true;
    AddDispatchEntry(dtTriggerHandlerAlloc, dstWndHandler, Wnd, nullptr, 0);
}

void TApdBaseDispatcher::RegisterProcTriggerHandler(TApdNotifyProc Proc)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    ProcTriggerHandlers.push_back({Proc, false});
    HandlersInstalled = true;
    AddDispatchEntry(dtTriggerHandlerAlloc, dstProcHandler, 0, nullptr, 0);
}

void TApdBaseDispatcher::RegisterEvent(const void* Key, TApdNotifyEvent Method, bool Sync)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    EventTriggerHandlers.push_back({Key, std::move(Method), false, Sync});
    HandlersInstalled = true;
    AddDispatchEntry(dtTriggerHandlerAlloc, dstEventHandler, Sync ? 1 : 0, nullptr, 0);
}

void TApdBaseDispatcher::RegisterEventTriggerHandler(const void* Key, TApdNotifyEvent Method)
{
    RegisterEvent(Key, std::move(Method), false);
}

void TApdBaseDispatcher::RegisterSyncEventTriggerHandler(const void* Key, TApdNotifyEvent Method)
{
    RegisterEvent(Key, std::move(Method), true);
}

namespace {

// Frees the first live record that matches, or marks it while a notification runs; false when
// none matched.
template <class List, class Match>
bool removeHandler(List& list, Match match, bool busy, bool& purgePending)
{
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->Deleted || !match(*it))
            continue;
        if (busy) {
            it->Deleted = true;
            purgePending = true;
        } else {
            list.erase(it);
        }
        return true;
    }
    return false;
}

}  // namespace

void TApdBaseDispatcher::DeregisterWndTriggerHandler(HWND Wnd)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (removeHandler(
            WndTriggerHandlers, [&](auto& h) { return h.Wnd == Wnd; }, NotifyBusy, PurgePending))
        AddDispatchEntry(dtTriggerHandlerDispose, dstWndHandler, Wnd, nullptr, 0);
    UpdateHandlerFlags(fuKeepPort);
}

void TApdBaseDispatcher::DeregisterProcTriggerHandler(TApdNotifyProc Proc)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (removeHandler(
            ProcTriggerHandlers, [&](auto& h) { return h.Proc == Proc; }, NotifyBusy, PurgePending))
        AddDispatchEntry(dtTriggerHandlerDispose, dstProcHandler, 0, nullptr, 0);
    UpdateHandlerFlags(fuKeepPort);
}

void TApdBaseDispatcher::DeregisterEventTriggerHandler(const void* Key)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (removeHandler(
            EventTriggerHandlers, [&](auto& h) { return h.Key == Key; }, NotifyBusy, PurgePending))
        AddDispatchEntry(dtTriggerHandlerDispose, dstEventHandler, 0, nullptr, 0);
    UpdateHandlerFlags(fuKeepPort);
}

void TApdBaseDispatcher::UpdateHandlerFlags(TApHandlerFlagUpdate Update)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    const bool installed = WndTriggerHandlers.size() >= 2 || !ProcTriggerHandlers.empty() ||
                           !EventTriggerHandlers.empty();
    switch (Update) {
    case fuKeepPort:
        HandlersInstalled = installed || PortNotify;
        break;
    case fuEnablePort:
        PortNotify = true;
        HandlersInstalled = true;
        break;
    case fuDisablePort:
        PortNotify = false;
        HandlersInstalled = installed;
        break;
    }
}

void TApdBaseDispatcher::SetEventBusy(bool& Old, bool New)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    Old = WaitBusy.exchange(New);
}
