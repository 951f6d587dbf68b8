#pragma once
#include "comms/dispatch/tapdbasedispatcher.h"

#include <QByteArray>
#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

// An in-memory device under the dispatcher: the test feeds bytes that the device has
// received, and collects what the dispatcher wrote. Round() does what a layer's dispatcher
// thread does once: take the received bytes into the ring and fire the triggers.
class TFakeDispatcher : public TApdBaseDispatcher {
public:
    TFakeDispatcher() : TApdBaseDispatcher(nullptr) {}
    ~TFakeDispatcher() override { CloseForDestroy(); }

    int Open(int InSize = 4096, int OutSize = 4096)
    {
        const int h = OpenCom(QStringLiteral("fake"), InSize, OutSize);
        if (h < 0)
            return h;
        ComHandle = h;
        DeviceName = QStringLiteral("fake");
        PrepareOpen(InSize, OutSize);
        return 0;
    }

    // Device side.
    void Feed(const QByteArray& bytes)
    {
        std::lock_guard<std::mutex> lock(mutex);
        incoming += bytes;
    }
    int Waiting()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return int(incoming.size());
    }
    // Moves the output ring to the far end.
    QByteArray Drain()
    {
        const char* run;
        int n;
        while ((n = OutRingPeek(run)) > 0) {
            sent.append(run, n);
            OutRingConsume(n);
        }
        return sent;
    }
    // One round of the dispatcher thread.
    void Round()
    {
        ExtractData();
        for (int i = 0; i < 10000 && !ClosePending && CheckTriggers(); ++i) {
        }
        if (ClosePending && !EventBusy())
            DonePortPrim();
    }

    int maxRead = INT_MAX;      // the device hands out at most this many bytes a read
    uint32_t lineErrors = 0;    // reported once by the next GetComError
    int reads = 0;
    int flushes[2] = {0, 0};
    int closes = 0;
    bool failWrite = false;
    QByteArray sent;

    // Device interface.
    int EscapeComFunction(int) override { return 0; }
    int FlushCom(int Queue) override
    {
        ++flushes[Queue == 0 ? 0 : 1];
        if (Queue == 0)
            OutRingClear();
        else {
            std::lock_guard<std::mutex> lock(mutex);
            incoming.clear();
        }
        return 0;
    }
    int GetComError(TComStat& Stat) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            Stat.cbInQue = uint32_t(incoming.size());
        }
        Stat.cbOutQue = uint32_t(OutRingUsed());
        const uint32_t e = lineErrors;
        lineErrors = 0;
        return int(e);
    }
    int GetComEventMask(int) override { return 0; }
    int GetComState(TDCB& D) override
    {
        D = DCB;
        return 0;
    }
    int ReadCom(char* Buf, int Size) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++reads;
        const int n = std::min({Size, maxRead, int(incoming.size())});
        std::memcpy(Buf, incoming.constData(), std::size_t(n));
        incoming.remove(0, n);
        return n;
    }
    int SetComState(TDCB& D) override
    {
        DCB = D;
        return 0;
    }
    int WriteCom(const char* Buf, int Size) override
    {
        if (failWrite)
            return -1;
        return OutRingWrite(Buf, Size) == Size ? Size : -1;
    }
    bool WaitComEvent(uint32_t& Mask) override
    {
        Mask = 0;
        return true;
    }
    bool SetupCom(int, int) override { return true; }
    void StartDispatcher() override { DispActive = true; }
    void StopDispatcher() override { DispActive = false; }
    int OpenCom(const QString&, int, int) override { return 7; }
    int CloseCom() override
    {
        ++closes;
        return 0;
    }
    int ProcessCommunications() override { return 0; }

    // For the dump tests: a fixed header.
    void LogHeaderInfo(QString& Compiler, QString& OperatingSystem, QDateTime& Now) override
    {
        Compiler = QStringLiteral("test compiler");
        OperatingSystem = QStringLiteral("test system");
        Now = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7));
    }

    using TApdBaseDispatcher::PrepareOpen;

private:
    std::mutex mutex;
    QByteArray incoming;
};
