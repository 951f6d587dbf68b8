#include <QByteArray>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>

#include "bench.h"
#include "comms/core/oomisc.h"
#include "comms/serial/serialdevice.h"
#include "comms/net/tapdsocket.h"
#include "comms/serial/tapdwin32dispatcher.h"
#include "peers/ptypair.h"
#include "peers/tcppeer.h"

namespace {

double IdleCpuMs(int Who)
{
    rusage u{};
    getrusage(Who, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

// CPU time that waits cost: each should sleep, not spin.
void IdleWaits()
{
    double before = IdleCpuMs(RUSAGE_SELF);
    DelayTicks(Secs2Ticks(1), true);
    bench::Figure("yielding_wait_cpu_ms_per_1s", IdleCpuMs(RUSAGE_SELF) - before, "ms");

    PtyPair pty;
    SerialDevice dev;
    if (pty.ok() && dev.Open(pty.slavePath()) == 0) {
        pty.hangUp();
        before = IdleCpuMs(RUSAGE_THREAD);
        dev.WaitEvent(EV_RXCHAR | EV_ERR, true, 500);
        bench::Figure("serial_hung_up_wait_cpu_ms_per_500ms", IdleCpuMs(RUSAGE_THREAD) - before, "ms");
    }

    PtyPair far;
    far.exportAs(43);
    TApdWin32Dispatcher d(nullptr);
    if (far.ok() && d.InitPort(QStringLiteral("\\\\.\\COM43"), 19200, 0, 8, 1, 4096, 4096, 3) == 0) {
        far.hangUp();
        d.PutString("lost");
        before = IdleCpuMs(RUSAGE_SELF);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        bench::Figure("serial_port_hung_up_cpu_ms_per_500ms", IdleCpuMs(RUSAGE_SELF) - before, "ms");
        d.DonePort();
    }

    TcpPeer peer;
    TApdSocket raw;
    int reads = 0;  // told of the bytes, never reads them
    raw.OnWsRead = [&](QObject*, TSocket) { ++reads; };
    TSockAddrIn to;
    to.sin_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(peer.port());
    const TSocket s = raw.CreateSocket();
    raw.SetAsyncStyles(s, FD_READ);
    raw.ConnectSocket(s, to);
    bool sent = false;
    for (int i = 0; i < 2000 && reads == 0; ++i) {
        if (!sent && peer.tryAccept())
            sent = peer.send("unread");
        SafeYield();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    before = IdleCpuMs(RUSAGE_THREAD);
    DelayTicks(Secs2Ticks(1), true);
    bench::Figure("socket_unread_cpu_ms_per_1s", IdleCpuMs(RUSAGE_THREAD) - before, "ms");
    raw.CloseSocket(s);
}
QWL_BENCH(IdleWaits);

}  // namespace
