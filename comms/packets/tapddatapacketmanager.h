#pragma once
#include "comms/core/adporttypes.h"
#include "comms/packets/packetmatcher.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <cstdint>

class TApdBaseDispatcher;
class TApdCustomComPort;
class TApdDataPacket;

// Message by which a manager frees itself once its last packet has left.
inline constexpr int apw_FreeManager = 0xB021;


// The packets of one port share one manager: it owns the received bytes, takes them from the
// port's dispatcher, offers them to its packets in order and lets one packet at a time capture
// the stream while it collects.
// Thread rules: everything runs on the user-interface thread. The data handler is registered
// with the dispatcher as a synchronised handler, so the dispatcher thread never touches packet
// state; a winsock port notifies on that thread anyway.
class TApdDataPacketManager {
public:
    explicit TApdDataPacketManager(TApdCustomComPort* Port);
    virtual ~TApdDataPacketManager();
    TApdDataPacketManager(const TApdDataPacketManager&) = delete;
    TApdDataPacketManager& operator=(const TApdDataPacketManager&) = delete;

    void Insert(TApdDataPacket* Packet);
    void Remove(TApdDataPacket* Packet);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    void EnableIfPending();

    // The port's user callbacks: the extended form, which the manager registers (opened, about
    // to close, closed), and the plain form (opened or closed), which does the same.
    void PortOpenCloseEx(QObject* Sender, TApdCallbackType CallbackType);
    void PortOpenClose(QObject* Sender, bool Opening);
    // The port object is going away: forget it without touching it.
    void PortDestroyed();

    // The dispatcher's notification: 0x7E01 with the byte count, 0x7E03 with the timer handle.
    void PacketTriggerHandler(unsigned Msg, unsigned WParam, long LParam);

    // Bytes received from the port (as taken from the dispatcher) and the capture time-out.
    void DataReceived(const uint8_t* Data, int32_t Count);
    void CaptureTimedOut();

    TApdCustomComPort* ComPort() const { return comPort_; }
    const QList<TApdDataPacket*>& PacketList() const { return packets_; }
    TApdDataPacket* CapturePacket() const { return capture_; }
    bool InEvent() const { return inEvent_; }
    int32_t DataLen() const { return int32_t(buffer_.size()); }
    const QByteArray& DataBuffer() const { return buffer_; }

protected:
    // What the manager needs of its port; the only place that talks to the port.
    // The port's dispatcher while the port is open, else none.
    virtual TApdBaseDispatcher* PortDispatcher() const;
    virtual bool PortIsOpen() const;
    virtual bool PortIsLoading() const;
    // Registers the data handler and a timer trigger; returns the trigger handle (0 = none).
    virtual int32_t InstallHandler();
    virtual void RemoveHandler(int32_t TimerTrigger);
    // Takes up to Count received bytes; the number taken.
    virtual int32_t TakeBytes(uint8_t* Dest, int32_t Count);
    // Arms (Ticks > 0) or disarms the capture timer; 0 or a negative code.
    virtual int32_t SetCaptureTimer(int32_t TimerTrigger, int32_t Ticks, bool Activate);

public:
    // A dispatch-log record of a packet step (only while the port's log is on).
    virtual void LogPacket(TPacketLogStep Step, const TApdDataPacket* Packet, const char* Data,
        int32_t Size);

private:
    friend class TApdDataPacket;

    void Enable();
    void Disable();
    void DisposeBuffer();
    void SetInEvent(bool Value);
    void NotifyData(int32_t Start);
    void RemoveData(int32_t Count);
    void SetCapture(TApdDataPacket* Packet, int32_t Ticks);
    void ReleaseCapture(TApdDataPacket* Packet);
    void Deliver(TApdDataPacket* Packet, const TPacketMatcher::Result& Piece);
    void TimedOut(TApdDataPacket* Packet);
    void EnablePackets();
    void DisablePackets();
    void PostFree();
    void AttachPort();  // registers with the port (none for a manager without port)
    void DetachPort();

    QList<TApdDataPacket*> packets_;  // not owned, in the order attached
    TApdCustomComPort* comPort_ = nullptr;  // not owned
    bool handlerInstalled_ = false;
    bool enabled_ = false;
    QByteArray buffer_;
    TApdDataPacket* capture_ = nullptr;
    int32_t timerTrigger_ = 0;
    bool inEvent_ = false;
    bool notifyPending_ = false;
    int32_t notifyStart_ = 0;
    bool enablePending_ = false;
    bool destroying_ = false;
    bool scanning_ = false;  // NotifyData's loop is running
    bool rescan_ = false;  // the loop must look at the buffer again from rescanStart_
    int32_t rescanStart_ = 0;
    uint32_t deliveries_ = 0;
    bool freePosted_ = false;
    QObject* notifyWindow_ = nullptr;  // owned; posted 0xB021 frees the manager
    QMetaObject::Connection portGone_;
};
