#include "peers/scriptedftp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint8_t IAC = 255;
constexpr int kPollMs = 20;

sockaddr_in addressOf(const char* Address, uint16_t Port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(Port);
    ::inet_pton(AF_INET, Address, &a.sin_addr);
    return a;
}

// A listening socket on Address:Port (0 = a free one); -1 on failure.
int listenOn(const char* Address, uint16_t Port, uint16_t& Bound)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a = addressOf(Address, Port);
    socklen_t len = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    Bound = ntohs(a.sin_port);
    return fd;
}

void closeFd(int& Fd)
{
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
}

// Sends all of Bytes; gives up after 10 s without progress or when the server stops.
bool sendAll(int Fd, const QByteArray& Bytes, const std::atomic<bool>& Stop)
{
    qsizetype done = 0;
    for (int idle = 0; Fd >= 0 && done < Bytes.size() && !Stop && idle < 10000 / kPollMs;) {
        const ssize_t n =
            ::send(Fd, Bytes.constData() + done, size_t(Bytes.size() - done), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += n;
            idle = 0;
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            return false;
        } else {
            pollfd p{Fd, POLLOUT, 0};
            idle += ::poll(&p, 1, kPollMs) <= 0;
        }
    }
    return done == Bytes.size();
}

}  // namespace

ScriptedFtp::ScriptedFtp(Handler H, const char* PasvHost, const char* Address, uint16_t Port)
    : handler_(std::move(H)), pasvHost_(PasvHost)
{
    listener_ = listenOn(Address, Port, port_);
    if (listener_ >= 0)
        thread_ = std::thread([this] { Run(); });
}

ScriptedFtp::~ScriptedFtp()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    closeFd(listener_);
}

QList<QByteArray> ScriptedFtp::Commands() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

QByteArray ScriptedFtp::DataPeer() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return dataPeer_;
}

void ScriptedFtp::Run()
{
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        const int control = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (control >= 0)
            Serve(control);
    }
}

void ScriptedFtp::Serve(int Control)
{
    Session s(*this);
    s.control_ = Control;
    s.Reply("220 scripted");
    QByteArray pending;
    while (!stop_ && s.control_ >= 0) {
        if (s.muted_) {
            s.Pause(kPollMs);
            continue;
        }
        pollfd p{s.control_, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::recv(s.control_, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        pending.append(buf, n);
        for (qsizetype end; !s.muted_ && (end = pending.indexOf('\n')) >= 0;) {
            QByteArray raw = pending.left(end);
            pending.remove(0, end + 1);
            if (raw.endsWith('\r'))
                raw.chop(1);
            // Telnet: IAC IAC is one 0xFF; IAC and a command byte (IP, DM, ...) go.
            QByteArray line;
            for (qsizetype i = 0; i < raw.size(); ++i) {
                if (uint8_t(raw[i]) == IAC && i + 1 < raw.size())
                    if (uint8_t(raw[++i]) != IAC)
                        continue;
                line.append(raw[i]);
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                commands_.append(line);
            }
            Answer(s, line);
        }
    }
    closeFd(s.data_);
    closeFd(s.listener_);
    closeFd(s.control_);
}

void ScriptedFtp::Answer(Session& S, const QByteArray& Line)
{
    const qsizetype blank = Line.indexOf(' ');
    const QByteArray verb = (blank < 0 ? Line : Line.left(blank)).toUpper();
    const QByteArray arg = blank < 0 ? QByteArray() : Line.mid(blank + 1);
    if (handler_ && handler_(S, verb, arg))
        return;
    if (verb == "USER") {
        S.Reply("331 password");
    } else if (verb == "PASS") {
        S.Reply("230 in");
    } else if (verb == "TYPE" || verb == "NOOP") {
        S.Reply("200 ok");
    } else if (verb == "PASV") {
        closeFd(S.data_);
        closeFd(S.listener_);
        uint16_t port = 0;
        S.listener_ = listenOn("127.0.0.1", 0, port);
        S.Reply("227 Entering Passive Mode (" + pasvHost_ + ',' + QByteArray::number(port >> 8) + ',' +
                QByteArray::number(port & 0xFF) + ")");
    } else if (verb == "CWD") {
        S.Reply("250 changed");
    } else if (verb == "PWD") {
        S.Reply("257 \"/\"");
    } else if (verb == "ABOR") {
        S.Reply("226 nothing to abort");
    } else if (verb == "QUIT") {
        S.Reply("221 bye");
        closeFd(S.control_);
    } else {
        S.Reply("502 not scripted");
    }
}

void ScriptedFtp::Session::Reply(const QByteArray& Line)
{
    sendAll(control_, Line + "\r\n", server_.stop_);
}

bool ScriptedFtp::Session::AcceptData(int TimeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (data_ < 0 && listener_ >= 0 && !server_.stop_ && std::chrono::steady_clock::now() < until) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        data_ = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
        std::lock_guard<std::mutex> lock(server_.mutex_);
        server_.dataPeer_ = text;
    }
    return data_ >= 0;
}

bool ScriptedFtp::Session::SendData(const QByteArray& Bytes)
{
    return sendAll(data_, Bytes, server_.stop_);
}

void ScriptedFtp::Session::CloseData()
{
    closeFd(data_);
}

void ScriptedFtp::Session::ResetData()
{
    if (data_ < 0)
        return;
    const linger l{1, 0};
    ::setsockopt(data_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    closeFd(data_);
}

void ScriptedFtp::Session::Pause(int Ms)
{
    for (int waited = 0; waited < Ms && !server_.stop_; waited += 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}
