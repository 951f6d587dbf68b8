#pragma once
#include "comms/packets/tapddatapacketmanager.h"

#include <QCoreApplication>
#include <QEvent>
#include <string>
#include <vector>

// A packet manager without a port: the test feeds the bytes and fires the capture timer.
// Allocate it with new; it frees itself (posted) when its last packet leaves.
class FakePacketFeed : public TApdDataPacketManager {
public:
    FakePacketFeed() : TApdDataPacketManager(nullptr) { SetEnabled(true); }

    void feed(const std::string& bytes)
    {
        DataReceived(reinterpret_cast<const uint8_t*>(bytes.data()), int32_t(bytes.size()));
    }
    void fireTimer() { PacketTriggerHandler(0x7E03, unsigned(TimerHandle), 0); }

    static constexpr int32_t TimerHandle = 8;
    int32_t armedTicks = -1;  // last ticks armed; 0 after a disarm
    bool armed = false;
    std::vector<std::pair<TPacketLogStep, std::string>> log;

protected:
    int32_t InstallHandler() override { return TimerHandle; }
    void RemoveHandler(int32_t) override {}
    int32_t SetCaptureTimer(int32_t, int32_t Ticks, bool Activate) override
    {
        armed = Activate;
        armedTicks = Activate ? Ticks : 0;
        return 0;
    }

public:
    void LogPacket(TPacketLogStep Step, const TApdDataPacket*, const char* Data, int32_t Size) override
    {
        log.emplace_back(Step, Data && Size > 0 ? std::string(Data, size_t(Size)) : std::string());
    }
};

// Runs the posted frees of managers whose last packet left.
inline void flushPostedFrees()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
