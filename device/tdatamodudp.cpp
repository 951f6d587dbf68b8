#include "device/tdatamodudp.h"

#include <exception>

#include "platform/gui/eventwait.h"
#include "platform/core/inetaddr.h"

TDataModUDP* DataModUDP = nullptr;

namespace {

constexpr int QueryTimeoutMs = 1000;
constexpr int MaxReplyBytes = 255;

}  // namespace

TDataModUDP::TDataModUDP(QWidget* owner) : QObject(owner)
{
    setObjectName(QStringLiteral("DataModUDP"));
    NMUDP = new TNMUDP(this);
    NMUDP->OnDataReceived = [this](TNMUDP* s, int n, const QString& from, int port) {
        NMUDPDataReceived(s, n, from, port);
    };
    Timer = new TTagTimer(this);
    Timer->setTimerType(Qt::PreciseTimer);
    Timer->setInterval(5000);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
}

void TDataModUDP::SetQueryState(UdpQueryState state)
{
    Timer->Tag = int(state);
}

void TDataModUDP::PreparePorts()
{
    NMUDP->ReportLevel = 2;
    NMUDP->RemotePort = DevicePort;
    NMUDP->SetLocalPort(LocalUdpPort);
}

bool TDataModUDP::SearchDevices()
{
    PreparePorts();
    const auto table = AddressTable ? AddressTable() : std::nullopt;
    if (!table)
        return false;
    try {
        for (const platform::IpAddrRow& row : *table) {
            LocalAddress = platform::InetNtoa(row.Address);
            NMUDP->RemoteHost = platform::InetNtoa(platform::BroadcastOf(row));
            NMUDP->SendBuffer(QByteArrayLiteral("0 1"));
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

QString TDataModUDP::QueryDevice(const QString& address, const QString& command)
{
    if (platform::Waiting() || platform::Closing())
        return QString();
    SetQueryState(UdpQueryState::Waiting);
    Timer->setInterval(QueryTimeoutMs);
    ReplyText.clear();
    m_queriedAddress = platform::CanonicalIPv4(address);
    Timer->start();
    try {
        PreparePorts();
        NMUDP->RemoteHost = address;
        NMUDP->SendBuffer(command.toLatin1());
    } catch (const std::exception&) {
        Timer->stop();
        return QString();
    }
    // The deadline is the query's own as well: a nested query that stops the shared timer
    // must not leave this one waiting for good.
    if (!platform::WaitUntil([this] { return QueryState() != UdpQueryState::Waiting || !ReplyText.isEmpty(); },
                             QueryTimeoutMs))
        SetQueryState(UdpQueryState::TimedOut);  // the deadline came first
    Timer->stop();
    return ReplyText;
}

void TDataModUDP::NMUDPDataReceived(TNMUDP* Sender, int NumberBytes, const QString& FromIP, int Port)
{
    char buffer[MaxReplyBytes + 1] = {};
    const int n = Sender->ReadBuffer(buffer, std::min(NumberBytes, MaxReplyBytes));
    buffer[n] = '\0';
    // Another device speaking while one is asked must not answer for it.
    if (Timer->isActive() && FromIP != m_queriedAddress) {
        qInfo("UDP: datagram from %s ignored, the query waits for %s", qPrintable(FromIP), qPrintable(m_queriedAddress));
        return;
    }
    ReplyText = QString::fromLatin1(buffer);  // up to the first NUL
    if (!Timer->isActive() && FromIP != LocalAddress && OnSearchReply)
        OnSearchReply(ReplyText);
}

void TDataModUDP::AbortQuery()
{
    if (Timer->isActive())
        TimerTimer();
}

void TDataModUDP::TimerTimer()
{
    SetQueryState(UdpQueryState::TimedOut);
    Timer->stop();
}
