#pragma once
#include "comms/packets/packetmatcher.h"
#include "comms/core/tapdbasecomponent.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

class TApdCustomComPort;
class TApdDataPacketManager;

using TPacketNotifyEvent = std::function<void(QObject* Sender, const char* Data, int32_t Size)>;
using TStringPacketNotifyEvent = std::function<void(QObject* Sender, const QString& Data)>;
using TPacketTimeoutEvent = std::function<void(QObject* Sender)>;

// Watches the byte stream of one port and cuts out of it the pieces that begin with a start
// condition and end with an end condition; each piece reaches the owner by an event.
// Thread rules: user-interface thread only; the events are called on it.
// Enabling with inconsistent properties raises EInvalidProperty (ecStartStringEmpty .. ecZeroSizePacket).
class TApdDataPacket : public TApdBaseComponent {
    Q_OBJECT
public:
    explicit TApdDataPacket(QObject* AOwner = nullptr);
    ~TApdDataPacket() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    bool AutoEnable() const { return autoEnable_; }
    void SetAutoEnable(bool Value) { autoEnable_ = Value; }
    TPacketStartCond StartCond() const { return m_.StartCond; }
    void SetStartCond(TPacketStartCond Value) { m_.StartCond = Value; }
    TPacketEndSet EndCond() const { return m_.EndCond; }
    void SetEndCond(TPacketEndSet Value);
    // Change only while disabled: it takes effect at the next enable.
    QByteArray StartString() const { return m_.StartString; }
    void SetStartString(const QByteArray& Value) { m_.StartString = Value; }
    QByteArray EndString() const { return m_.EndString; }
    void SetEndString(const QByteArray& Value);
    bool IgnoreCase() const { return m_.IgnoreCase; }
    void SetIgnoreCase(bool Value) { m_.IgnoreCase = Value; }
    TApdCustomComPort* ComPort() const { return comPort_; }
    void SetComPort(TApdCustomComPort* Value);
    int32_t PacketSize() const { return m_.PacketSize; }
    void SetPacketSize(int32_t Value) { m_.PacketSize = Value; }
    bool IncludeStrings() const { return m_.IncludeStrings; }
    void SetIncludeStrings(bool Value) { m_.IncludeStrings = Value; }
    int32_t TimeOut() const { return timeOut_; }  // ticks of the collecting phase; 0 = none
    void SetTimeOut(int32_t Value) { timeOut_ = Value; }
    bool FlushOnTimeout() const { return flushOnTimeout_; }
    void SetFlushOnTimeout(bool Value) { flushOnTimeout_ = Value; }

    TPacketNotifyEvent OnPacket;
    TStringPacketNotifyEvent OnStringPacket;
    TPacketTimeoutEvent OnTimeout;

    // The piece last delivered or offered; valid during the event.
    void GetCollectedString(QString& Data) const;
    void GetCollectedData(const char*& Data, int32_t& Size) const;
    // Enable and wait (handling events) until a packet arrives or the packet times out. The
    // result is True only for a packet; AutoEnable is switched off.
    bool WaitForString(QString& Data);
    bool WaitForPacket(const char*& Data, int32_t& Size);

    // Applies a pending enable once the owner's stored properties are in place.
    void Loaded();
    // A packet without a port takes a port that enters its owner; its port leaving the owner
    // leaves the packet without a port.
    void Notification(QObject* AComponent, TOperation Operation) override;

    TPacketMode PacketMode() const { return m_.Mode; }
    TApdDataPacketManager* Manager() const { return manager_; }

protected:
    // Watches the owner for components that enter or leave it.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    friend class TApdDataPacketManager;

    void Enable();
    void Disable();
    void SetMode(TPacketMode NewMode);
    void CancelMatch();
    // Looks at the manager's bytes from Start on; true when it delivered or timed out.
    void ProcessData(int32_t Start);
    void DoPacket();
    void DoTimeout();
    void Log(TPacketLogStep Step, const char* Data = nullptr, int32_t Size = -1) const;

    TPacketMatcher m_;
    TApdDataPacketManager* manager_ = nullptr;
    TApdCustomComPort* comPort_ = nullptr;
    bool enabled_ = false;
    bool autoEnable_ = true;
    int32_t timeOut_ = 2184;
    bool flushOnTimeout_ = true;
    QByteArray piece_;  // the piece last delivered or offered
    bool willCollect_ = false;
    bool enablePending_ = false;
    bool haveCapture_ = false;
    bool gotPacket_ = false;
    bool timedOutFlag_ = false;
};
