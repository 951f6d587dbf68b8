#include "platform/gui/tnmudp.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include "platform/gui/ipaddrtable.h"

TNMUDP::TNMUDP(QObject* owner) : QObject(owner) {}

TNMUDP::~TNMUDP() = default;

void TNMUDP::SetLocalPort(int port)
{
    if (port == m_localPort && m_bound)
        return;
    m_localPort = port;
    Bind();
}

int TNMUDP::BoundPort() const { return m_bound ? m_socket->localPort() : 0; }

bool TNMUDP::Bind()
{
    if (m_socket) {
        // May run inside the old socket's own delivery.
        m_socket->disconnect(this);
        m_socket->close();
        m_socket->deleteLater();
    }
    m_bound = false;
    m_socket = new QUdpSocket(this);
    // Qt turns broadcasting on for every UDP socket it opens.
    if (!m_socket->bind(QHostAddress::AnyIPv4, quint16(m_localPort)))
        return false;
    connect(m_socket, &QUdpSocket::readyRead, this, &TNMUDP::ReadPending);
    m_bound = true;
    return true;
}

void TNMUDP::SendBuffer(const QByteArray& data)
{
    if (!m_bound && !Bind())
        throw ENMUDPError(QStringLiteral("UDP port %1: %2").arg(m_localPort).arg(m_socket->errorString()).toStdString());
    uint32_t host = 0;
    if (!platform::ParseDottedIPv4(RemoteHost, &host))
        throw ENMUDPError(QStringLiteral("Invalid host address: %1").arg(RemoteHost).toStdString());
    if (RemotePort <= 0 || RemotePort > 65535)
        throw ENMUDPError(QStringLiteral("Invalid remote port: %1").arg(RemotePort).toStdString());
    const qint64 sent = m_socket->writeDatagram(data, QHostAddress(host), quint16(RemotePort));
    if (sent != data.size())
        throw ENMUDPError(QStringLiteral("UDP send to %1: %2").arg(RemoteHost, m_socket->errorString()).toStdString());
}

int TNMUDP::ReadBuffer(char* buffer, int max)
{
    const int n = int(std::min<qsizetype>(m_datagram.size(), std::max(max, 0)));
    if (n > 0)
        memcpy(buffer, m_datagram.constData(), size_t(n));
    return n;
}

void TNMUDP::ReadPending()
{
    // The socket may be replaced by a handler (a new local port): stop reading the old one.
    QUdpSocket* const socket = m_socket;
    for (int guard = 0; socket == m_socket && socket->hasPendingDatagrams() && guard < 1000; ++guard) {
        const QNetworkDatagram d = socket->receiveDatagram();
        if (!d.isValid())
            break;
        m_datagram = d.data();
        const QString from = platform::InetNtoa(d.senderAddress().toIPv4Address());
        if (OnDataReceived)
            OnDataReceived(this, int(m_datagram.size()), from, d.senderPort());
        m_datagram.clear();
    }
}
