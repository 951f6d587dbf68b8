#pragma once
#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "device/ttagtimer.h"
#include "platform/ipaddrtable.h"
#include "platform/tnmudp.h"

// The datagram side of the device search: the broadcast to every local network, one query to
// one device at a time, and the receive rule. User-interface thread only.
class TDataModUDP : public QObject {
    Q_OBJECT
public:
    explicit TDataModUDP(QWidget* owner = nullptr);

    static constexpr int TagWaiting = 0;
    static constexpr int TagTimedOut = 99;

    // Sends "0 1" to the broadcast address of every row of the address table. False when the
    // table cannot be read or a send fails; an empty table sends nothing and gives true.
    bool SearchDevices();
    // Sends command to one device and waits up to 1000 ms for a datagram; its text, or ""
    // when none came. Any datagram counts: callers check the device id. While another wait
    // runs, or once the program is closing, "" at once and nothing is sent.
    QString QueryDevice(const QString& address, const QString& command);
    // Ends a waiting query now, as a time-out would.
    void AbortQuery();

    void NMUDPDataReceived(TNMUDP* Sender, int NumberBytes, const QString& FromIP, int Port);
    void TimerTimer();

    TNMUDP* NMUDP = nullptr;
    TTagTimer* Timer = nullptr;  // query time-out; Tag is the query state
    QString LocalAddress;  // the address most recently broadcast from
    QString ReplyText;  // text of the last datagram received

    // The protocol's ports and the PC's address table; tests replace them.
    int DevicePort = 8001;
    int LocalUdpPort = 8002;
    std::function<std::optional<std::vector<platform::IpAddrRow>>()> AddressTable = platform::ReadIpAddrTable;

private:
    void PreparePorts();
};

extern TDataModUDP* DataModUDP;
