#pragma once
#include <cstdint>

// Line settings record of a serial device, in the coding the dispatcher works with
// (parity 0..4 = none, odd, even, mark, space; stop bits 0 = one, 1 = one and a half, 2 = two).
enum : uint8_t { DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2 };
enum : uint8_t {
    RTS_CONTROL_DISABLE = 0,
    RTS_CONTROL_ENABLE = 1,
    RTS_CONTROL_HANDSHAKE = 2,
    RTS_CONTROL_TOGGLE = 3
};
enum : uint8_t { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };

struct TDCB {
    uint32_t BaudRate = 9600;
    bool fBinary = true;
    bool fParity = false;
    bool fOutxCtsFlow = false;
    bool fOutxDsrFlow = false;
    uint8_t fDtrControl = DTR_CONTROL_ENABLE;
    bool fDsrSensitivity = false;
    bool fTXContinueOnXoff = true;
    bool fOutX = false;
    bool fInX = false;
    bool fNull = false;
    uint8_t fRtsControl = RTS_CONTROL_ENABLE;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = 0;
    uint8_t StopBits = ONESTOPBIT;
    char XonChar = 17;
    char XoffChar = 19;
};
