#include "ftpdevice.h"

#include <QDeadlineTimer>

namespace {

constexpr int StartMs = 10000;
constexpr int ReplyMs = 5000;

bool ReadLine(QProcess& p, QByteArray& line, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!p.canReadLine()) {
        if (deadline.hasExpired() || p.state() == QProcess::NotRunning)
            return false;
        p.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    line = p.readLine().trimmed();
    return true;
}

}  // namespace

FtpDevicePeer::FtpDevicePeer(const QString& root, const QString& host) : m_host(host)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(QWL_PEERS_DIR "/simdevice_ftp.py"), QStringLiteral("--root"), root,
                     QStringLiteral("--host"), host, QStringLiteral("--port"), QStringLiteral("0")});
    QByteArray line;
    if (!m_process.waitForStarted(StartMs) || !ReadLine(m_process, line, StartMs) || !line.startsWith("PORT ")) {
        m_error = QStringLiteral("simdevice_ftp.py did not start: ") + m_process.errorString() + u' '
            + QString::fromLatin1(line);
        kill();
        return;
    }
    m_port = uint16_t(line.mid(5).toUInt());
}

FtpDevicePeer::~FtpDevicePeer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // End of input ends the server; the kill is for one that does not listen.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(3000))
        kill();
}

bool FtpDevicePeer::command(const QString& line)
{
    m_process.write(line.toUtf8() + '\n');
    m_process.waitForBytesWritten(ReplyMs);
    QByteArray reply;
    return ReadLine(m_process, reply, ReplyMs) && reply == "OK";
}

void FtpDevicePeer::kill()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}
