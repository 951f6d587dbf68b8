#include <QByteArray>
#include <algorithm>
#include <cstring>

#include "bench.h"
#include "comms/core/oomisc.h"
#include "comms/dispatch/tapdbasedispatcher.h"

namespace {

// A device that always has the next part of a fixed stream ready.
class StreamDevice : public TApdBaseDispatcher {
public:
    explicit StreamDevice(QByteArray data) : TApdBaseDispatcher(nullptr), data_(std::move(data))
    {
        ComHandle = 1;
        PrepareOpen(4096, 4096);
    }
    ~StreamDevice() override { CloseForDestroy(); }
    bool done() const { return pos_ >= data_.size(); }

    int EscapeComFunction(int) override { return 0; }
    int FlushCom(int) override { return 0; }
    int GetComError(TComStat& s) override
    {
        s.cbInQue = uint32_t(data_.size() - pos_);
        s.cbOutQue = 0;
        return 0;
    }
    int GetComEventMask(int) override { return 0; }
    int GetComState(TDCB&) override { return 0; }
    int ReadCom(char* buf, int size) override
    {
        const int n = int(std::min<qsizetype>(size, data_.size() - pos_));
        std::memcpy(buf, data_.constData() + pos_, size_t(n));
        pos_ += n;
        return n;
    }
    int SetComState(TDCB&) override { return 0; }
    int WriteCom(const char*, int size) override { return size; }
    bool WaitComEvent(uint32_t&) override { return true; }
    bool SetupCom(int, int) override { return true; }
    void StartDispatcher() override {}
    void StopDispatcher() override {}
    int OpenCom(const QString&, int, int) override { return 1; }
    int CloseCom() override { return 0; }
    int ProcessCommunications() override { return 0; }

private:
    QByteArray data_;
    qsizetype pos_ = 0;
};

// Received bytes through the ring and four data triggers, a handler taking every line.
void DispatcherReceive()
{
    QByteArray data;
    while (data.size() < 4 * 1024 * 1024)
        data += "key.name=some value of the reply\r\n\x02station.region=12\x03";
    const double us = bench::MedianMicros(5, [&] {
        StreamDevice d(data);
        d.AddDataTrigger("\r\n", false);
        d.AddDataTrigger("\x03", false);
        d.AddDataTrigger("ERROR", true);
        d.AddDataTrigger("\x02?", false);
        d.RegisterEventTriggerHandler(&d, [&](uint32_t, uint32_t, int32_t) {
            char buf[DispatchBufferSize];
            const int n = d.InBuffUsed();
            d.GetBlock(buf, n);
        });
        while (!d.done() || d.InBuffUsed() > 0) {
            d.ExtractData();
            while (d.CheckTriggers()) {
            }
            char buf[DispatchBufferSize];
            d.GetBlock(buf, d.InBuffUsed());
        }
    });
    bench::Figure("dispatcher receive, 4 data triggers", double(data.size()) / us, "MB/s");
}
QWL_BENCH(DispatcherReceive);

void TickClock()
{
    const int n = 1000000;
    int64_t sink = 0;
    const double us = bench::MedianMicros(5, [&] {
        for (int i = 0; i < n; ++i)
            sink += AdCurrentTicks();
    });
    bench::Figure("tick clock read", us * 1000.0 / n + double(sink & 0), "ns");
}
QWL_BENCH(TickClock);

}  // namespace
