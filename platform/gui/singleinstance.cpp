#include "platform/gui/singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
// A folder only this user can change: a real directory (no link), ours, open to nobody else.
QString privateFolderProblem(const QByteArray& path)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return QString::fromLocal8Bit(strerror(errno));
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("no folder");
    if (st.st_uid != ::getuid())
        return QStringLiteral("owned by another user");
    if (st.st_mode & 077)
        return QStringLiteral("open to other users");
    if (::access(path.constData(), W_OK | X_OK) != 0)
        return QString::fromLocal8Bit(strerror(errno));
    return QString();
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

QString SingleInstance::InstanceFolder(QString* problem)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && privateFolderProblem(QFile::encodeName(runtime)).isEmpty())
        return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/qwlview-%1").arg(::getuid());
    const QByteArray path = QFile::encodeName(own);
    ::mkdir(path.constData(), 0700);  // an existing one is checked below like a new one
    const QString why = privateFolderProblem(path);
    if (why.isEmpty())
        return own;
    if (problem)
        *problem = own + QStringLiteral(": ") + why;
    return QString();
}

QString SingleInstance::LockPath() const
{
    const QString dir = InstanceFolder();
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + m_name + QStringLiteral(".lock");
}

QString SingleInstance::SocketPath() const
{
    const QString dir = InstanceFolder();
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + m_name + QStringLiteral(".sock");
}

SingleInstance::Lock SingleInstance::Acquire()
{
    if (m_fd >= 0)
        return Lock::Owned;
    m_problem.clear();
    const QString folder = InstanceFolder(&m_problem);
    if (folder.isEmpty())
        return Lock::Unavailable;
    const QString lockPath = folder + QLatin1Char('/') + m_name + QStringLiteral(".lock");
    const QByteArray path = QFile::encodeName(lockPath);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_problem = lockPath + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
        return Lock::Unavailable;
    }
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Lock::HeldByOther;
        m_problem = lockPath + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(error));
        return Lock::Unavailable;
    }
    m_fd = fd;
    return Lock::Owned;
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
