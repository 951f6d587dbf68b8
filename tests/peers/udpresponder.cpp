#include "peers/udpresponder.h"

#include <QDeadlineTimer>

namespace peers {

UdpResponder::UdpResponder(const QStringList& devices, int port)
{
    QStringList args{QStringLiteral(QWL_PEERS_DIR "/simdevice_udp.py"), QStringLiteral("--port"),
                     QString::number(port)};
    args += devices;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    QDeadlineTimer deadline(10000);
    while (m_port == 0 && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning)
        ReadLines(100);
}

UdpResponder::~UdpResponder()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.write("quit\n");
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void UdpResponder::ReadLines(int waitMs)
{
    if (m_process.bytesAvailable() == 0)
        m_process.waitForReadyRead(waitMs);
    m_pending += m_process.readAllStandardOutput();
    for (qsizetype nl; (nl = m_pending.indexOf('\n')) >= 0;) {
        const QString line = QString::fromLatin1(m_pending.left(nl));
        m_pending.remove(0, nl + 1);
        if (line.startsWith(QLatin1String("ready ")))
            m_port = line.mid(6).toInt();
        else if (line.startsWith(QLatin1String("recv ")))
            m_received << line.mid(5);
        else if (line == QLatin1String("ok"))
            ++m_acks;
    }
}

bool UdpResponder::SetFault(const QString& id, const QString& fault)
{
    const int before = m_acks;
    m_process.write(QStringLiteral("fault %1 %2\n").arg(id, fault).toLatin1());
    QDeadlineTimer deadline(5000);
    while (m_acks == before && !deadline.hasExpired() && m_process.state() != QProcess::NotRunning)
        ReadLines(100);
    return m_acks > before;
}

QStringList UdpResponder::Received()
{
    ReadLines(0);
    return m_received;
}

}  // namespace peers
