#pragma once
#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "device/ttagtimer.h"
#include "platform/gui/ipaddrtable.h"
#include "platform/gui/tnmudp.h"

// State of the running query. The query timer's Tag carries it, with these values.
enum class UdpQueryState : int { Waiting = 0, TimedOut = 99 };

// The datagram side of the device search: the broadcast to every local network, one query to
// one device at a time, and the receive rule. A datagram of another host that comes while no
// query waits is a reply to the search: OnSearchReply gets it (the search window sets it when
// it is created). User-interface thread only.
class TDataModUDP : public QObject {
    Q_OBJECT
public:
    explicit TDataModUDP(QWidget* owner = nullptr);

    // Sends "0 1" to the broadcast address of every row of the address table. False when the
    // table cannot be read or a send fails; an empty table sends nothing and gives true.
    bool SearchDevices();
    // Sends command to one device and waits up to 1000 ms for a datagram from its address;
    // its text, or "" when none came. Datagrams of other hosts meanwhile are ignored (and
    // logged); callers still check the device id. While another wait runs, or once the
    // program is closing, "" at once and nothing is sent.
    QString QueryDevice(const QString& address, const QString& command);
    // Ends a waiting query now, as a time-out would.
    void AbortQuery();

    void NMUDPDataReceived(TNMUDP* Sender, int NumberBytes, const QString& FromIP, int Port);
    void TimerTimer();

    TNMUDP* NMUDP = nullptr;
    TTagTimer* Timer = nullptr;  // query time-out; Tag is the UdpQueryState
    QString LocalAddress;  // the address most recently broadcast from
    QString ReplyText;  // text of the last datagram received
    std::function<void(const QString&)> OnSearchReply;

    // The protocol's ports and the PC's address table; tests replace them.
    int DevicePort = 8001;
    int LocalUdpPort = 8002;
    std::function<std::optional<std::vector<platform::IpAddrRow>>()> AddressTable = platform::ReadIpAddrTable;

    UdpQueryState QueryState() const { return UdpQueryState(Timer->Tag); }

private:
    void PreparePorts();
    void SetQueryState(UdpQueryState state);

    QString m_queriedAddress;  // canonical; only its replies end the waiting query
};

extern TDataModUDP* DataModUDP;
