#include "comms/packets/tapddatapacketmanager.h"

#include "comms/packets/tapddatapacket.h"
#include "comms/packets/tapddatapacketmanagerlist.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

constexpr unsigned apw_TriggerAvail = 0x7E01;
constexpr unsigned apw_TriggerTimer = 0x7E03;
constexpr int32_t kBufferStep = 8192;

// The manager's hidden window: frees the manager once no event of it runs any more.
class ManagerWindow : public QObject {
public:
    explicit ManagerWindow(TApdDataPacketManager* m) : manager_(m) {}
    void detach() { manager_ = nullptr; }
    bool event(QEvent* e) override
    {
        if (int(e->type()) != apw_FreeManager)
            return QObject::event(e);
        if (!manager_)
            return true;
        if (manager_->InEvent())
            QCoreApplication::postEvent(this, new QEvent(QEvent::Type(apw_FreeManager)));
        else if (manager_->PacketList().isEmpty())  // a packet may have joined meanwhile
            delete manager_;  // detaches this window, which then goes with deleteLater
        return true;
    }

private:
    TApdDataPacketManager* manager_;
};

// Guarded copy of the list: handlers may free packets while it is walked.
QList<QPointer<TApdDataPacket>> snapshot(const QList<TApdDataPacket*>& packets)
{
    QList<QPointer<TApdDataPacket>> out;
    out.reserve(packets.size());
    for (TApdDataPacket* p : packets)
        out.append(QPointer<TApdDataPacket>(p));
    return out;
}

}  // namespace

TApdDataPacketManager::TApdDataPacketManager(TApdCustomComPort* Port) : comPort_(Port)
{
    TApdDataPacketManagerList::Instance().Insert(this);
    notifyWindow_ = new ManagerWindow(this);
    AttachPort();
}

TApdDataPacketManager::~TApdDataPacketManager()
{
    destroying_ = true;
    TApdDataPacketManagerList::Instance().Remove(this);
    SetEnabled(false);
    DetachPort();
    for (TApdDataPacket* p : packets_)
        if (p->manager_ == this)
            p->manager_ = nullptr;
    packets_.clear();
    capture_ = nullptr;
    // The window may be running the free message right now: it goes later, detached, and
    // any free message still posted to it goes with it.
    static_cast<ManagerWindow*>(notifyWindow_)->detach();
    notifyWindow_->deleteLater();
    notifyWindow_ = nullptr;
}

void TApdDataPacketManager::Insert(TApdDataPacket* Packet)
{
    if (!packets_.contains(Packet))
        packets_.append(Packet);
    Packet->manager_ = this;
}

void TApdDataPacketManager::Remove(TApdDataPacket* Packet)
{
    if (!packets_.contains(Packet))
        return;
    packets_.removeAll(Packet);
    Packet->manager_ = nullptr;
    Packet->m_.Mode = dpIdle;
    Packet->willCollect_ = false;
    // A packet that leaves while collecting gives the stream back to the others.
    if (capture_ == Packet || Packet->haveCapture_)
        ReleaseCapture(Packet);
    if (packets_.isEmpty() && !destroying_)
        PostFree();
}

void TApdDataPacketManager::PostFree()
{
    if (notifyWindow_)
        QCoreApplication::postEvent(notifyWindow_, new QEvent(QEvent::Type(apw_FreeManager)));
}

void TApdDataPacketManager::SetEnabled(bool Value)
{
    if (Value == enabled_)
        return;
    if (Value)
        Enable();
    else
        Disable();
    enabled_ = Value;
}

void TApdDataPacketManager::Enable()
{
    if (handlerInstalled_)
        return;
    timerTrigger_ = InstallHandler();
    handlerInstalled_ = true;
}

void TApdDataPacketManager::Disable()
{
    if (handlerInstalled_)
        RemoveHandler(timerTrigger_);
    timerTrigger_ = 0;
    handlerInstalled_ = false;
    DisposeBuffer();
}

void TApdDataPacketManager::DisposeBuffer()
{
    buffer_ = QByteArray();
}

void TApdDataPacketManager::EnableIfPending()
{
    if (enablePending_) {
        SetEnabled(true);
        enablePending_ = false;
    }
}

void TApdDataPacketManager::PortOpenCloseEx(QObject* Sender, TApdCallbackType CallbackType)
{
    PortOpenClose(Sender, CallbackType == ctOpen);  // closing and closed alike
}

void TApdDataPacketManager::PortOpenClose(QObject*, bool Opening)
{
    if (Opening) {
        SetEnabled(true);
        EnablePackets();
    } else {
        DisablePackets();
        SetEnabled(false);
    }
}

void TApdDataPacketManager::PortDestroyed()
{
    // The dispatcher is gone with the port: nothing may be deregistered any more.
    comPort_ = nullptr;
    handlerInstalled_ = false;
    timerTrigger_ = 0;
    DisposeBuffer();
    DisablePackets();
    enabled_ = false;
    const QList<TApdDataPacket*> list = packets_;
    for (TApdDataPacket* p : list) {
        p->comPort_ = nullptr;
        Remove(p);
    }
}

void TApdDataPacketManager::EnablePackets()
{
    const QList<QPointer<TApdDataPacket>> list = snapshot(packets_);
    for (const QPointer<TApdDataPacket>& p : list) {
        if (!p || p->manager_ != this || !p->enabled_)
            continue;
        try {
            p->Enable();
        } catch (const std::exception&) {
            p->enabled_ = false;  // its properties no longer fit: it stays off
        }
    }
}

void TApdDataPacketManager::DisablePackets()
{
    const QList<QPointer<TApdDataPacket>> list = snapshot(packets_);
    for (const QPointer<TApdDataPacket>& p : list)
        if (p && p->manager_ == this)
            p->Disable();
}

void TApdDataPacketManager::PacketTriggerHandler(unsigned Msg, unsigned WParam, long LParam)
{
    if (Msg == apw_TriggerAvail) {
        const int32_t n = int32_t(WParam);
        if (n <= 0)
            return;
        QByteArray chunk(n, Qt::Uninitialized);
        const int32_t got = TakeBytes(reinterpret_cast<uint8_t*>(chunk.data()), n);
        if (got > 0)
            DataReceived(reinterpret_cast<const uint8_t*>(chunk.constData()), got);
    } else if (Msg == apw_TriggerTimer && timerTrigger_ != 0 && int32_t(WParam) == timerTrigger_) {
        CaptureTimedOut();
    }
}

void TApdDataPacketManager::DataReceived(const uint8_t* Data, int32_t Count)
{
    if (Count <= 0)
        return;
    const int32_t old = DataLen();
    if (buffer_.capacity() < old + Count)
        buffer_.reserve(((old + Count) / kBufferStep + 1) * kBufferStep);
    buffer_.append(reinterpret_cast<const char*>(Data), Count);
    NotifyData(old);
}

void TApdDataPacketManager::CaptureTimedOut()
{
    if (capture_)
        TimedOut(capture_);
}

void TApdDataPacketManager::SetInEvent(bool Value)
{
    if (Value == inEvent_)
        return;
    inEvent_ = Value;
    if (Value) {
        DisablePackets();  // every packet of the port waits for the event to end
        return;
    }
    EnablePackets();
    if (notifyPending_) {
        notifyPending_ = false;
        if (!buffer_.isEmpty())
            NotifyData(notifyStart_);
    }
}

void TApdDataPacketManager::NotifyData(int32_t Start)
{
    if (inEvent_) {
        notifyStart_ = notifyPending_ ? std::min(notifyStart_, Start) : Start;
        notifyPending_ = true;
        return;
    }
    if (scanning_) {
        // Called from inside the loop below (a capture released, an event ended): the loop
        // looks again instead of recursing, so thousands of packets in one batch stay flat.
        rescanStart_ = rescan_ ? std::min(rescanStart_, Start) : Start;
        rescan_ = true;
        return;
    }
    scanning_ = true;
    rescan_ = true;
    rescanStart_ = Start;
    // Bounded: each pass either delivers (the buffer shrinks) or looks at every byte once.
    for (int pass = 0; rescan_ && pass < 10000000; ++pass) {
        rescan_ = false;
        const int32_t from = rescanStart_;
        if (DataLen() < 1)
            break;
        const uint32_t before = deliveries_;
        if (capture_) {
            QPointer<TApdDataPacket> c(capture_);
            c->ProcessData(from);
            continue;
        }
        const QList<QPointer<TApdDataPacket>> list = snapshot(packets_);
        for (const QPointer<TApdDataPacket>& p : list) {
            if (!p || p->manager_ != this)
                continue;
            p->ProcessData(from);
            if (capture_ || buffer_.isEmpty() || deliveries_ != before)
                break;  // the capture holder alone goes on; after a delivery all start over
        }
    }
    scanning_ = false;
    if (capture_ || buffer_.isEmpty())
        return;
    for (TApdDataPacket* p : packets_)
        if (p->enabled_ && p->m_.Mode != dpIdle && p->m_.BeginMatch != -1)
            return;
    DisposeBuffer();  // no packet matches any of it: nothing is kept
}

void TApdDataPacketManager::RemoveData(int32_t Count)
{
    if (Count <= 0)
        return;
    if (Count >= DataLen())
        DisposeBuffer();
    else
        buffer_.remove(0, Count);
}

void TApdDataPacketManager::SetCapture(TApdDataPacket* Packet, int32_t Ticks)
{
    capture_ = Packet;
    if (Ticks != 0 && timerTrigger_ != 0)
        SetCaptureTimer(timerTrigger_, Ticks, true);
    Packet->haveCapture_ = true;
    const QList<QPointer<TApdDataPacket>> list = snapshot(packets_);
    for (const QPointer<TApdDataPacket>& p : list) {
        if (!p || p == Packet || p->manager_ != this)
            continue;
        try {
            p->CancelMatch();
        } catch (const std::exception&) {
            p->enabled_ = false;
        }
    }
}

void TApdDataPacketManager::ReleaseCapture(TApdDataPacket* Packet)
{
    if (timerTrigger_ != 0)
        SetCaptureTimer(timerTrigger_, 0, false);
    if (capture_ == Packet)
        capture_ = nullptr;
    Packet->haveCapture_ = false;
    NotifyData(0);  // all packets see the whole buffer again
}

void TApdDataPacketManager::Deliver(TApdDataPacket* Packet, const TPacketMatcher::Result& Piece)
{
    QPointer<TApdDataPacket> p(Packet);
    const int32_t consumed = Piece.begin + Piece.size;
    SetInEvent(true);
    Packet->SetEnabled(false);
    int32_t offset = 0, length = 0;
    Packet->m_.DeliveredPiece(Piece, offset, length);
    // A copy: the owner may close the port or free the packet inside its event.
    Packet->piece_ = buffer_.mid(offset, length);
    Packet->Log(Piece.cond == ecString ? plStringPacket : plSizePacket, Packet->piece_.constData(),
        int32_t(Packet->piece_.size()));
    Packet->gotPacket_ = true;
    ++deliveries_;
    Packet->DoPacket();
    // The port, the buffer or the packet itself may be gone now.
    RemoveData(consumed);
    if (p && p->manager_ == this && p->autoEnable_) {
        try {
            p->SetEnabled(true);
        } catch (const std::exception&) {
            // Its properties no longer fit: it stays off, as it was switched above.
        }
    }
    SetInEvent(false);
    if (!buffer_.isEmpty())
        NotifyData(0);
}

void TApdDataPacketManager::TimedOut(TApdDataPacket* Packet)
{
    QPointer<TApdDataPacket> p(Packet);
    SetInEvent(true);
    Packet->Log(plPacketTimeout);
    const bool flush = Packet->flushOnTimeout_;
    Packet->SetEnabled(false);
    Packet->timedOutFlag_ = true;
    int32_t offset = 0, length = 0;
    Packet->m_.CollectedPiece(DataLen(), offset, length);
    Packet->piece_ = buffer_.mid(offset, length);
    Packet->DoTimeout();
    if (flush)
        DisposeBuffer();
    SetInEvent(false);
    if (!buffer_.isEmpty())
        NotifyData(0);
}
