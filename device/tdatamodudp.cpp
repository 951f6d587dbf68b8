#include "device/tdatamodudp.h"

#include <QScopedValueRollback>
#include <exception>

#include "device/searchreplies.h"
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
    int reached = 0;
    for (const platform::IpAddrRow& row : *table) {
        LocalAddress = platform::InetNtoa(row.Address);
        NMUDP->RemoteHost = platform::InetNtoa(platform::BroadcastOf(row));
        // An adapter that is down keeps its address: the other networks still get the search.
        try {
            NMUDP->SendBuffer(QByteArrayLiteral("0 1"));
            ++reached;
        } catch (const std::exception& e) {
            qWarning("UDP: no search on %s: %s", qPrintable(LocalAddress), e.what());
        }
    }
    return reached > 0;
}

QString TDataModUDP::QueryDevice(const QString& address, const QString& command)
{
    if (platform::Waiting() || platform::Closing())
        return QString();
    SetQueryState(UdpQueryState::Waiting);
    Timer->setInterval(QueryTimeoutMs);
    ReplyText.clear();
    m_queriedAddress = platform::CanonicalIPv4(address);
    m_query = command;
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
    const QString answer = ReplyText;
    if (!answer.isEmpty() && !searchreply::TellsItsQuery(answer)) {
        const QScopedValueRollback settling(m_settling, true);
        platform::WaitUntil([] { return platform::Closing(); }, SettleMs);
    }
    return answer;
}

void TDataModUDP::NMUDPDataReceived(TNMUDP* Sender, int NumberBytes, const QString& FromIP, int Port)
{
    char buffer[MaxReplyBytes + 1] = {};
    const int n = Sender->ReadBuffer(buffer, std::min(NumberBytes, MaxReplyBytes));
    buffer[n] = '\0';
    const QString text = QString::fromLatin1(buffer);  // up to the first NUL
    // Only the asked device's answer to this very query counts: another device, a repeat or
    // a late answer to an earlier query must not answer for it.
    if (Timer->isActive() && (FromIP != m_queriedAddress || !searchreply::Answers(text, m_query))) {
        qInfo("UDP: datagram from %s dropped, the query waits for %s's answer to \"%s\": %s", qPrintable(FromIP),
              qPrintable(m_queriedAddress), qPrintable(m_query), qPrintable(text));
        return;
    }
    if (!Timer->isActive() && ((m_settling && FromIP == m_queriedAddress) || searchreply::IsKeyAnswer(text))) {
        qInfo("UDP: datagram from %s dropped, it answers no open query: %s", qPrintable(FromIP), qPrintable(text));
        return;
    }
    ReplyText = text;
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
