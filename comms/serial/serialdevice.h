#pragma once
#include "comms/dispatch/tcomstat.h"
#include "comms/dispatch/tdcb.h"
#include "comms/serial/portlock.h"

#include <atomic>
#include <cstdint>
#include <linux/serial.h>
#include <mutex>
#include <string>

// Escape functions of the line (set/clear XOFF state, RTS, DTR, break).
enum : int { SETXOFF = 1, SETXON = 2, SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6, SETBREAK = 8, CLRBREAK = 9 };
// Purge flags.
enum : uint32_t { PURGE_TXABORT = 1, PURGE_RXABORT = 2, PURGE_TXCLEAR = 4, PURGE_RXCLEAR = 8 };
// Modem status bits.
enum : uint32_t { MS_CTS_ON = 0x10, MS_DSR_ON = 0x20, MS_RING_ON = 0x40, MS_RLSD_ON = 0x80 };
// Line error flags.
enum : uint32_t { CE_RXOVER = 1, CE_OVERRUN = 2, CE_RXPARITY = 4, CE_FRAME = 8, CE_BREAK = 16 };
// Device events.
enum : uint32_t {
    EV_RXCHAR = 0x0001,
    EV_CTS = 0x0008,
    EV_DSR = 0x0010,
    EV_RLSD = 0x0020,
    EV_BREAK = 0x0040,
    EV_ERR = 0x0080,
    EV_RING = 0x0100,
    EV_RING_TE = 0x2000
};


// Resolves "\\.\COM<n>": $QWLVIEW_COM<n> when set, else /dev/ttyS<n-1>. Other names stay as
// they are.
std::string ResolveComDeviceName(const std::string& name);

// Maps an errno value to the library's code (never a raw -errno).
int MapSerialErrno(int err);

// One open serial device (a tty) with the operations the serial device layer needs.
// Thread rules: Open and Close run on the owner's thread while no other thread uses the
// device; the other members may be called from any thread.
class SerialDevice {
public:
    SerialDevice();
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens for exclusive use and switches the tty to raw mode. 0 or a negative code.
    int Open(const std::string& name);
    // Whether a port could be opened now, without touching its line: 0 present and free,
    // -5 present but in use, another negative code when absent.
    static int Probe(const std::string& name);
    // 0, or -1 when the device could not be closed (it is forgotten either way).
    int Close();
    bool IsOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Bytes read (0 when nothing waits) or a negative code.
    int Read(void* buf, int size);
    // Bytes written (0 when the device takes nothing now) or a negative code.
    int Write(const void* buf, int size);
    // Waits until the device can take output, the extra descriptor is readable or timeoutMs
    // passed: 1 writable, 2 extra readable, 0 time-out, negative on failure.
    int WaitWritable(int extraFd, int timeoutMs);

    int GetState(TDCB& dcb) const;
    // Applies what termios can carry; the rest of the record is stored only.
    int SetState(const TDCB& dcb);
    int Escape(int func);
    int GetModemStatus(uint32_t& status);
    // Line errors since the last call and the queue counts.
    int GetErrors(uint32_t& errors, TComStat& stat);
    int Purge(uint32_t flags);
    // Blocks until the device has sent what it holds.
    int Drain();

    // Waits for an event of `mask` (EV_*) or a wake-up from StopWait, at most timeoutMs
    // (-1 = no limit). With wantInput false, received data is not reported (the caller cannot
    // take it now). Returns the events seen (0 for a wake-up or time-out).
    uint32_t WaitEvent(uint32_t mask, bool wantInput, int timeoutMs);
    // Completes a pending or the next WaitEvent at once.
    void StopWait();
    // How often WaitEvent and WaitWritable have waited on the descriptors: a wait that sleeps
    // adds one per wake-up, one that spins adds thousands a second.
    uint64_t WaitCount() const { return waits_.load(std::memory_order_relaxed); }

private:
    bool readModemLines(int& lines);
    bool readCounts(serial_icounter_struct& c);
    int applyModemLine(int bit, bool on);

    int fd_ = -1;
    int wakeFd_ = -1;
    PortLock lock_;  // held from before the open until the close
    TDCB dcb_;
    bool modemIoctls_ = false;  // false on pseudo-terminals
    bool countIoctls_ = false;
    int lastEventLines_ = 0;
    serial_icounter_struct eventCounts_{};
    std::mutex errorLock_;  // GetErrors runs on the dispatch thread and on output paths
    serial_icounter_struct errorCounts_{};  // errorLock_
    bool hungUp_ = false;
    std::atomic<uint64_t> waits_{0};
};
