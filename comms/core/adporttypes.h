#pragma once
#include <QObject>
#include <cstdint>
#include <functional>

class TApdCustomComPort;

enum TPortState { psClosed, psShuttingDown, psOpen };
enum TDeviceLayer { dlWin32, dlWinsock };
enum TTapiMode { tmNone, tmAuto, tmOn, tmOff };
enum TParity { pNone, pOdd, pEven, pMark, pSpace };
enum THWFlowOptions { hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS };
enum TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum TFlowControlState { fcOff, fcOn, fcDsrHold, fcCtsHold, fcDcdHold, fcXOutHold, fcXInHold, fcXBothHold };
enum TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TApdCallbackType { ctOpen, ctClosing, ctClosed };
enum TApThreadBoost { tbNone, tbPlusOne, tbPlusTwo };

// A small set of enumeration members in one byte (bit n = member n).
template <class E>
class TSmallSet {
public:
    constexpr TSmallSet() = default;
    constexpr TSmallSet(std::initializer_list<E> members)
    {
        for (E m : members)
            bits_ |= uint8_t(1u << m);
    }
    static constexpr TSmallSet fromByte(uint8_t b)
    {
        TSmallSet s;
        s.bits_ = b;
        return s;
    }
    constexpr uint8_t toByte() const { return bits_; }
    constexpr bool contains(E m) const { return bits_ & (1u << m); }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr void include(E m) { bits_ |= uint8_t(1u << m); }
    constexpr void exclude(E m) { bits_ &= uint8_t(~(1u << m)); }
    constexpr bool operator==(const TSmallSet&) const = default;

private:
    uint8_t bits_ = 0;
};
using THWFlowOptionSet = TSmallSet<THWFlowOptions>;
using TDeviceLayers = TSmallSet<TDeviceLayer>;

using TTriggerEvent = std::function<void(TApdCustomComPort* CP, uint16_t Msg, uint16_t TriggerHandle, uint16_t Data)>;
using TTriggerAvailEvent = std::function<void(TApdCustomComPort* CP, uint16_t Count)>;
using TTriggerDataEvent = std::function<void(TApdCustomComPort* CP, uint16_t TriggerHandle)>;
using TTriggerStatusEvent = std::function<void(TApdCustomComPort* CP, uint16_t TriggerHandle)>;
using TTriggerTimerEvent = std::function<void(TApdCustomComPort* CP, uint16_t TriggerHandle)>;
using TTriggerLineErrorEvent = std::function<void(TApdCustomComPort* CP, uint16_t Error, bool LineBreak)>;
using TWaitCharEvent = std::function<void(TApdCustomComPort* CP, char C)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TPortCallback = std::function<void(QObject* CP, bool Opening)>;
using TPortCallbackEx = std::function<void(QObject* CP, TApdCallbackType CallbackType)>;

// Messages to registered user windows.
inline constexpr uint32_t wmPortOpen = 0x7E08;
inline constexpr uint32_t wmPortClose = 0x7E09;
inline constexpr uint32_t wmPortClosing = 0x7E0A;  // also the deferred close of the port's own window
