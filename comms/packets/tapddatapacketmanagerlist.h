#pragma once
#include <QList>

class TApdCustomComPort;
class TApdDataPacketManager;

// The process-wide list of packet managers, one per port that has packets.
// Thread rules: user-interface thread only.
class TApdDataPacketManagerList {
public:
    static TApdDataPacketManagerList& Instance();

    TApdDataPacketManagerList() = default;
    // Frees every manager, from the last to the first, after clearing its port reference so
    // that it does not touch the port.
    ~TApdDataPacketManagerList();
    TApdDataPacketManagerList(const TApdDataPacketManagerList&) = delete;
    TApdDataPacketManagerList& operator=(const TApdDataPacketManagerList&) = delete;

    void Insert(TApdDataPacketManager* Manager);
    void Remove(TApdDataPacketManager* Manager);
    TApdDataPacketManager* GetPortManager(const TApdCustomComPort* Port) const;
    int Count() const { return int(managers_.size()); }

private:
    QList<TApdDataPacketManager*> managers_;
};
