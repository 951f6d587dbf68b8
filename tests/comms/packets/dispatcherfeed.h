#pragma once
#include "comms/packets/tapddatapacketmanager.h"

// A packet manager fed by a dispatcher the test owns (no port component around it).
// Allocate it with new; it frees itself (posted) when its last packet leaves.
class DispatcherFeed : public TApdDataPacketManager {
public:
    explicit DispatcherFeed(TApdBaseDispatcher* d) : TApdDataPacketManager(nullptr), d_(d) { SetEnabled(true); }
    ~DispatcherFeed() override { SetEnabled(false); }  // while PortDispatcher still answers

    // The dispatcher closes or opens again.
    void Closing() { PortOpenCloseEx(nullptr, ctClosing); }
    void Opened() { PortOpenCloseEx(nullptr, ctOpen); }
    void SetDispatcher(TApdBaseDispatcher* d) { d_ = d; }

protected:
    TApdBaseDispatcher* PortDispatcher() const override { return d_; }
    bool PortIsOpen() const override { return true; }

private:
    TApdBaseDispatcher* d_;
};
