// The packet manager's side that talks to its port and the port's dispatcher.
#include "comms/tapdbasedispatcher.h"
#include "comms/tapddatapacket.h"
#include "comms/tapddatapacketmanager.h"

static_assert(int(dstEnable) + int(plCollecting) == int(dstCollecting),
    "packet log steps follow the dispatch-log packet subtypes");

void TApdDataPacketManager::AttachPort() {}
void TApdDataPacketManager::DetachPort() {}
TApdBaseDispatcher* TApdDataPacketManager::PortDispatcher() const { return nullptr; }
bool TApdDataPacketManager::PortIsOpen() const { return false; }
bool TApdDataPacketManager::PortIsLoading() const { return false; }

int32_t TApdDataPacketManager::InstallHandler()
{
    TApdBaseDispatcher* d = PortDispatcher();
    if (!d)
        return 0;
    // Synchronised: the packets' state is touched on the user-interface thread only.
    d->RegisterSyncEventTriggerHandler(this, [this](uint32_t Msg, uint32_t WParam, int32_t LParam) {
        PacketTriggerHandler(Msg, WParam, LParam);
    });
    const int h = d->AddTimerTrigger();
    return h > 0 ? h : 0;
}

void TApdDataPacketManager::RemoveHandler(int32_t TimerTrigger)
{
    TApdBaseDispatcher* d = PortDispatcher();
    if (!d)
        return;
    if (TimerTrigger > 0)
        d->RemoveTrigger(TimerTrigger);
    d->DeregisterEventTriggerHandler(this);
}

int32_t TApdDataPacketManager::TakeBytes(uint8_t* Dest, int32_t Count)
{
    TApdBaseDispatcher* d = PortDispatcher();
    if (!d || Count <= 0)
        return 0;
    const int r = d->GetBlock(reinterpret_cast<char*>(Dest), Count);
    return r > 0 ? r : 0;
}

int32_t TApdDataPacketManager::SetCaptureTimer(int32_t TimerTrigger, int32_t Ticks, bool Activate)
{
    TApdBaseDispatcher* d = PortDispatcher();
    if (!d)
        return 0;
    return d->SetTimerTrigger(TimerTrigger, Ticks, Activate);
}

void TApdDataPacketManager::LogPacket(TPacketLogStep Step, const TApdDataPacket* Packet,
    const char* Data, int32_t Size)
{
    TApdBaseDispatcher* d = PortDispatcher();
    if (!d)
        return;
    const TDispatchSubType sub = TDispatchSubType(int(dstEnable) + int(Step));
    if (Data && Size >= 0) {
        d->AddDispatchEntry(dtPacket, sub, uint32_t(Size), Data, uint32_t(Size));
        return;
    }
    const QByteArray text = "Packet:" + (Packet ? Packet->objectName().toLatin1() : QByteArray());
    d->AddDispatchEntry(dtPacket, sub, 0, text.constData(), uint32_t(text.size()));
}
