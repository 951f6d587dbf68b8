// The packet manager's side that talks to its port and the port's dispatcher.
#include "comms/dispatch/tapdbasedispatcher.h"
#include "comms/serial/tapdcustomcomport.h"
#include "comms/packets/tapddatapacket.h"
#include "comms/packets/tapddatapacketmanager.h"

static_assert(int(dstEnable) + int(plCollecting) == int(dstCollecting),
    "packet log steps follow the dispatch-log packet subtypes");

void TApdDataPacketManager::AttachPort()
{
    if (!comPort_)
        return;
    comPort_->RegisterUserCallbackEx(
        this, [this](QObject* Sender, TApdCallbackType Type) { PortOpenCloseEx(Sender, Type); });
    // The window is the context: the connection goes with the manager.
    portGone_ = QObject::connect(comPort_, &QObject::destroyed, notifyWindow_, [this] { PortDestroyed(); });
    if (PortIsOpen() && !PortIsLoading())
        SetEnabled(true);
    enablePending_ = PortIsOpen() && !enabled_;
}

void TApdDataPacketManager::DetachPort()
{
    QObject::disconnect(portGone_);
    if (comPort_)
        comPort_->DeregisterUserCallbackEx(this);
}

TApdBaseDispatcher* TApdDataPacketManager::PortDispatcher() const
{
    // While shutting down the dispatcher still exists and the handler must leave it; a closed
    // port is never opened from here.
    if (!comPort_ || comPort_->PortState() == psClosed)
        return nullptr;
    return comPort_->Dispatcher();
}

bool TApdDataPacketManager::PortIsOpen() const
{
    return comPort_ && comPort_->PortState() == psOpen;
}

bool TApdDataPacketManager::PortIsLoading() const
{
    return comPort_ && comPort_->IsLoading();
}

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
