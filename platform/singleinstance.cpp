#include "platform/singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {
QString runtimeDir(QString* suffix)
{
    const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir(QString::fromLocal8Bit(xdg)).exists()) {
        suffix->clear();
        return QString::fromLocal8Bit(xdg);
    }
    // /tmp is shared by all users: keep one name per user.
    *suffix = QStringLiteral("-%1").arg(getuid());
    return QStringLiteral("/tmp");
}

const QByteArray ShowRequest = "show\n";
}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    if (m_fd >= 0)
        ::close(m_fd);  // releases the lock
}

QString SingleInstance::LockPath() const
{
    QString suffix;
    const QString dir = runtimeDir(&suffix);
    return dir + QLatin1Char('/') + m_name + suffix + QStringLiteral(".lock");
}

QString SingleInstance::SocketPath() const
{
    QString suffix;
    const QString dir = runtimeDir(&suffix);
    return dir + QLatin1Char('/') + m_name + suffix + QStringLiteral(".sock");
}

bool SingleInstance::Acquire()
{
    if (m_fd >= 0)
        return true;
    const QByteArray path = QFile::encodeName(LockPath());
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool SingleInstance::Listen()
{
    if (m_fd < 0)
        return false;
    if (m_server)
        return m_server->isListening();
    // We own the name, so a socket left by a crashed owner is stale.
    QLocalServer::removeServer(SocketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    return m_server->listen(SocketPath());
}

void SingleInstance::OnConnection()
{
    while (QLocalSocket* s = m_server->nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            if (!s->canReadLine())
                return;
            const QByteArray line = s->readLine(64);
            if (line != ShowRequest) {
                s->disconnectFromServer();
                return;
            }
            ++m_handOvers;
            if (m_onShow)
                m_onShow();
            s->write(QByteArray("shown ") + QByteArray::number(m_handOvers) + '\n');
            s->flush();
            s->disconnectFromServer();
        });
    }
}

bool SingleInstance::AskOwnerToShow(int timeoutMs)
{
    QLocalSocket s;
    QDeadlineTimer deadline(timeoutMs);
    s.connectToServer(SocketPath());
    if (!s.waitForConnected(int(deadline.remainingTime())))
        return false;
    s.write(ShowRequest);
    if (!s.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!s.canReadLine()) {
        if (deadline.hasExpired() || !s.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return s.readLine(64).startsWith("shown");
}

}  // namespace platform
