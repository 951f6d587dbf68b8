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

    // Sends "0 1" to the broadcast address of every row of the address table. A row whose
    // send fails is noted on stderr and the others still get the search. False when no
    // interface got it: the table cannot be read, is empty or every send failed.
    bool SearchDevices();
    // Sends command to one device and waits up to 1000 ms for its answer: a datagram from its
    // address that answers this command (searchreply::Answers); its text, or "" when none
    // came. Other datagrams meanwhile are dropped and noted. An answer that does not tell its
    // question keeps the window open SettleMs longer, so a repeat of it is dropped too and
    // cannot answer the next query. While another wait runs, or once the program is closing,
    // "" at once and nothing is sent.
    QString QueryDevice(const QString& address, const QString& command);
    static constexpr int SettleMs = 250;
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
    QString m_query;  // the command they must answer
    bool m_settling = false;  // the answer came; its repeats are still dropped
};

extern TDataModUDP* DataModUDP;
