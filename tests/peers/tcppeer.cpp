#include "peers/tcppeer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
sockaddr_in loopback(uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}
}  // namespace

TcpPeer::TcpPeer(uint16_t Port)
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in a = loopback(Port);
    socklen_t len = sizeof a;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener_, 8) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        closeListener();
        return;
    }
    port_ = ntohs(a.sin_port);
}

TcpPeer::~TcpPeer()
{
    close();
    closeListener();
}

void TcpPeer::closeListener()
{
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
}

bool TcpPeer::tryAccept()
{
    if (client_ < 0 && listener_ >= 0)
        client_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    return client_ >= 0;
}

bool TcpPeer::connectTo(uint16_t port)
{
    close();
    client_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(port);
    if (client_ < 0 || ::connect(client_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        close();
        return false;
    }
    ::fcntl(client_, F_SETFL, ::fcntl(client_, F_GETFL) | O_NONBLOCK);
    return true;
}

bool TcpPeer::send(const QByteArray& data)
{
    qsizetype done = 0;
    for (int round = 0; round < 2000 && done < data.size(); ++round) {
        const ssize_t n = ::send(client_, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd p{client_, POLLOUT, 0};
            ::poll(&p, 1, 5);
        }
    }
    return done == data.size();
}

bool TcpPeer::poll()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::recv(client_, buf, sizeof buf, 0);
        if (n > 0)
            received_.append(buf, n);
        else
            return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
}

void TcpPeer::close()
{
    if (client_ >= 0)
        ::close(client_);
    client_ = -1;
}

void TcpPeer::reset()
{
    if (client_ < 0)
        return;
    const linger l{1, 0};
    ::setsockopt(client_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close();
}
