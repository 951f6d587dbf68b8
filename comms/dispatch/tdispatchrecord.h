#pragma once
#include <cstdint>

// Record types and sub-types of the dispatch log. Their texts are the messages 15001 + type
// and 15100 + sub-type.
enum TDispatchType : uint8_t {
    dtNone, dtDispatch, dtTrigger, dtError, dtThread, dtTriggerAlloc, dtTriggerDispose,
    dtTriggerHandlerAlloc, dtTriggerHandlerDispose, dtTriggerDataChange, dtTelnet, dtFax,
    dtXModem, dtYModem, dtZModem, dtKermit, dtAscii, dtBPlus, dtPacket, dtUser, dtScript
};

// The dispatcher's own sub-types and those of the packets; 20..239 belong to protocols that
// this system does not use.
enum TDispatchSubType : uint8_t {
    dstNone, dstReadCom, dstWriteCom, dstLineStatus, dstModemStatus, dstAvail, dstTimer, dstData,
    dstStatus, dstThreadStart, dstThreadExit, dstThreadSleep, dstThreadWake, dstDataTrigger,
    dstTimerTrigger, dstStatusTrigger, dstAvailTrigger, dstWndHandler, dstProcHandler,
    dstEventHandler,
    // Telnet verbs sent and received, an unhandled command, the terminal type sent.
    dstSWill = 20, dstSWont, dstSDo, dstSDont, dstRWill, dstRWont, dstRDo, dstRDont, dstCommand, dstSTerm,
    dstEnable = 240, dstDisable, dstStringPacket, dstSizePacket, dstPacketTimeout, dstStartStr,
    dstEndStr, dstIdle, dstWaiting, dstCollecting
};

// One record of the dispatch log, stored in the ring as it is, followed by MoreLength bytes.
struct TDispatchRecord {
    uint8_t DispatchType;
    uint8_t DispatchSubType;
    uint16_t Align;
    uint32_t TimeMark;  // milliseconds since the port opened
    uint32_t Data;
    uint32_t MoreLength;
};
static_assert(sizeof(TDispatchRecord) == 16);
