#include "comms/packets/tapddatapacketmanagerlist.h"

#include "comms/packets/tapddatapacketmanager.h"

TApdDataPacketManagerList& TApdDataPacketManagerList::Instance()
{
    static TApdDataPacketManagerList list;
    return list;
}

TApdDataPacketManagerList::~TApdDataPacketManagerList()
{
    while (!managers_.isEmpty()) {
        TApdDataPacketManager* m = managers_.takeLast();
        m->PortDestroyed();  // forgets the port without touching it
        delete m;
    }
}

void TApdDataPacketManagerList::Insert(TApdDataPacketManager* Manager)
{
    if (!managers_.contains(Manager))
        managers_.append(Manager);
}

void TApdDataPacketManagerList::Remove(TApdDataPacketManager* Manager)
{
    managers_.removeAll(Manager);
}

TApdDataPacketManager* TApdDataPacketManagerList::GetPortManager(const TApdCustomComPort* Port) const
{
    if (!Port)
        return nullptr;
    for (TApdDataPacketManager* m : managers_)
        if (m->ComPort() == Port)
            return m;
    return nullptr;
}
