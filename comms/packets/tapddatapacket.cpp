#include "comms/packets/tapddatapacket.h"

#include "comms/core/appexceptionhook.h"
#include "comms/core/eapdexception.h"
#include "comms/core/oomisc.h"
#include "comms/serial/tapdcustomcomport.h"
#include "comms/packets/tapddatapacketmanager.h"
#include "comms/packets/tapddatapacketmanagerlist.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <stdexcept>

namespace {

// An exception from the owner's handler goes to the application's handler and no further.
template <typename F>
void guarded(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
    } catch (...) {
        ApplicationHandleException(std::runtime_error("packet event handler: unknown exception"));
    }
}

}  // namespace

TApdDataPacket::TApdDataPacket(QObject* AOwner) : TApdBaseComponent(AOwner)
{
    m_.StartCond = scString;
    m_.IgnoreCase = true;
    m_.IncludeStrings = true;
    if (AOwner)
        AOwner->installEventFilter(this);
}

TApdDataPacket::~TApdDataPacket()
{
    if (manager_)
        manager_->Remove(this);
    manager_ = nullptr;
    comPort_ = nullptr;
}

void TApdDataPacket::SetEnabled(bool Value)
{
    if (Value == enabled_)
        return;
    if (Value)
        Enable();  // may raise: the flag then stays false
    else
        Disable();
    enabled_ = Value;
}

void TApdDataPacket::Enable()
{
    if (IsLoading()) {
        enablePending_ = true;
        return;
    }
    if (!manager_ || !manager_->Enabled()) {
        m_.ResetMatch();  // checked and started when the port opens
        return;
    }
    // Checked before anything changes, so a refused packet never holds a mode or the capture.
    if (const int code = m_.Prepare(); code != 0)
        throw EInvalidProperty(code, false);
    if (manager_->InEvent()) {
        enablePending_ = true;
        return;
    }
    enablePending_ = false;
    Log(plEnable);
    if (m_.StartCond == scString) {
        Log(plStartStr, m_.StartString.constData(), int32_t(m_.StartString.size()));
        SetMode(dpWaitStart);
    } else if (manager_->CapturePacket() && manager_->CapturePacket() != this) {
        willCollect_ = true;
    } else {
        SetMode(dpCollecting);
    }
    if (m_.EndCond.contains(ecString))
        Log(plEndStr, m_.EndString.constData(), int32_t(m_.EndString.size()));
}

void TApdDataPacket::Disable()
{
    if (!enablePending_ && !willCollect_ && m_.Mode == dpIdle)
        return;
    enablePending_ = false;
    willCollect_ = false;
    if (manager_) {
        SetMode(dpIdle);
        Log(plDisable);
    }
}

void TApdDataPacket::SetMode(TPacketMode NewMode)
{
    if (NewMode == m_.Mode)
        return;
    // The mode is stored first: taking or releasing the capture lets the manager scan again,
    // and this packet must already be in its new mode then.
    m_.Mode = NewMode;
    if (NewMode == dpCollecting) {
        if (manager_)
            manager_->SetCapture(this, timeOut_);
    } else if (haveCapture_ && manager_) {
        manager_->ReleaseCapture(this);
    }
    Log(NewMode == dpIdle ? plIdle : NewMode == dpWaitStart ? plWaiting : plCollecting);
}

void TApdDataPacket::CancelMatch()
{
    if (enabled_ && manager_) {
        Disable();
        Enable();
    }
}

void TApdDataPacket::SetEndString(const QByteArray& Value)
{
    const bool was = enabled_;
    SetEnabled(false);
    m_.EndString = Value;
    SetEnabled(was);
}

void TApdDataPacket::SetEndCond(TPacketEndSet Value)
{
    const bool was = enabled_;
    SetEnabled(false);
    m_.EndCond = Value;
    SetEnabled(was);
}

void TApdDataPacket::SetComPort(TApdCustomComPort* Value)
{
    if (Value == comPort_)
        return;
    if (manager_)
        manager_->Remove(this);
    manager_ = nullptr;
    comPort_ = Value;
    if (Value) {
        TApdDataPacketManager* m = TApdDataPacketManagerList::Instance().GetPortManager(Value);
        if (!m)
            m = new TApdDataPacketManager(Value);  // joins the list itself
        m->Insert(this);
    }
}

void TApdDataPacket::Notification(QObject* AComponent, TOperation Operation)
{
    TApdBaseComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent == comPort_)
        SetComPort(nullptr);
    else if (Operation == opInsert && !comPort_)
        if (auto* port = qobject_cast<TApdCustomComPort*>(AComponent))
            SetComPort(port);
}

bool TApdDataPacket::eventFilter(QObject* Watched, QEvent* Event)
{
    // A component still being built is not yet a port here; its own constructor tells later.
    if (Watched == parent() && (Event->type() == QEvent::ChildAdded || Event->type() == QEvent::ChildRemoved)) {
        QObject* child = static_cast<QChildEvent*>(Event)->child();
        if (child != this)
            Notification(child, Event->type() == QEvent::ChildAdded ? opInsert : opRemove);
    }
    return TApdBaseComponent::eventFilter(Watched, Event);
}

void TApdDataPacket::Loaded()
{
    if (manager_)
        manager_->EnableIfPending();
    if (enablePending_) {
        enablePending_ = false;
        Enable();
    }
}

void TApdDataPacket::ProcessData(int32_t Start)
{
    TApdDataPacketManager* mgr = manager_;
    int32_t i = Start;
    for (int guard = 0; mgr && guard < 1000000; ++guard) {
        if (!enabled_ || i >= mgr->DataLen())
            return;
        if (m_.Mode == dpIdle) {
            if (!willCollect_)
                return;
            willCollect_ = false;
            SetMode(dpCollecting);
        }
        const QByteArray& buf = mgr->DataBuffer();
        const TPacketMatcher::Result r =
            m_.Scan(reinterpret_cast<const uint8_t*>(buf.constData()), int32_t(buf.size()), i);
        if (r.step == TPacketMatcher::Step::StartFound) {
            SetMode(dpCollecting);
            continue;
        }
        if (r.step == TPacketMatcher::Step::Complete)
            mgr->Deliver(this, r);  // the manager looks at what is left from the start
        return;
    }
}

void TApdDataPacket::DoPacket()
{
    const char* data = piece_.constData();
    const int32_t size = int32_t(piece_.size());
    if (OnPacket)
        guarded([&] { OnPacket(this, data, size); });
    if (OnStringPacket)
        guarded([&] { OnStringPacket(this, QString::fromLatin1(data, size)); });
}

void TApdDataPacket::DoTimeout()
{
    if (OnTimeout)
        guarded([&] { OnTimeout(this); });
}

void TApdDataPacket::Log(TPacketLogStep Step, const char* Data, int32_t Size) const
{
    if (manager_)
        manager_->LogPacket(Step, this, Data, Size);
}

void TApdDataPacket::GetCollectedString(QString& Data) const
{
    Data = QString::fromLatin1(piece_);
}

void TApdDataPacket::GetCollectedData(const char*& Data, int32_t& Size) const
{
    Data = piece_.constData();
    Size = int32_t(piece_.size());
}

bool TApdDataPacket::WaitForPacket(const char*& Data, int32_t& Size)
{
    gotPacket_ = false;
    timedOutFlag_ = false;
    autoEnable_ = false;
    SetEnabled(true);
    QPointer<TApdDataPacket> self(this);
    // A slow tick keeps the loop waking without spinning while nothing arrives.
    QTimer tick;
    tick.start(50);
    while (self && !gotPacket_ && !timedOutFlag_) {
        if (SafeYield() == wmQuit)
            break;
        if (self && !gotPacket_ && !timedOutFlag_)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (!self || !gotPacket_)
        return false;
    GetCollectedData(Data, Size);
    return true;
}

bool TApdDataPacket::WaitForString(QString& Data)
{
    const char* d = nullptr;
    int32_t n = 0;
    if (!WaitForPacket(d, n))
        return false;
    Data = QString::fromLatin1(d, n);
    return true;
}
