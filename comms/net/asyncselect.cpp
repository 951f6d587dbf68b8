#include "comms/net/asyncselect.h"

#include "comms/core/adexcept.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unordered_map>
#include <unordered_set>

namespace {

class Selection : public QObject {
public:
    TSocket Socket = INVALID_SOCKET;
    HWND Wnd = 0;
    uint32_t Msg = 0;
    int32_t Events = 0;
    bool Listening = false;
    bool Connecting = false;
    bool Connected = false;
    bool CloseDone = false;      // FD_CLOSE (or a failed connect) delivered: nothing more
    bool ReadArmed = true;       // FD_READ / FD_ACCEPT may be delivered
    bool WriteArmed = false;     // FD_WRITE may be delivered
    bool Forgotten = false;      // the socket was closed or deselected
    int Depth = 0;               // deliveries running on the stack
    std::unique_ptr<QSocketNotifier> ReadNotifier;
    std::unique_ptr<QSocketNotifier> WriteNotifier;

    void Arm();
    void Disarm();
    void ReadReady();
    void WriteReady();
    void ConnectDone(int Error);
    void Deliver(int32_t Event, int Error);
    void Release();
};

struct Registry {
    std::mutex mutex;
    std::unordered_map<TSocket, Selection*> selections;
    std::unordered_set<TSocket> shutSend;
};

Registry& registry()
{
    static Registry r;
    return r;
}

Selection* find(TSocket S)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.selections.find(S);
    return it == r.selections.end() ? nullptr : it->second;
}

void setNotifier(std::unique_ptr<QSocketNotifier>& n, Selection* s, QSocketNotifier::Type type, bool on)
{
    if (!n) {
        if (!on)
            return;
        n = std::make_unique<QSocketNotifier>(s->Socket, type);
        if (type == QSocketNotifier::Read)
            QObject::connect(n.get(), &QSocketNotifier::activated, s, [s] { s->ReadReady(); });
        else
            QObject::connect(n.get(), &QSocketNotifier::activated, s, [s] { s->WriteReady(); });
    }
    if (n->isEnabled() != on)
        n->setEnabled(on);
}

void Selection::Arm()
{
    if (Forgotten)
        return;
    const bool readWanted = !CloseDone && ReadArmed &&
                            ((Listening && (Events & FD_ACCEPT)) || (Connected && (Events & (FD_READ | FD_CLOSE))));
    const bool writeWanted = !CloseDone && (Connecting || (Connected && WriteArmed && (Events & FD_WRITE)));
    setNotifier(ReadNotifier, this, QSocketNotifier::Read, readWanted);
    setNotifier(WriteNotifier, this, QSocketNotifier::Write, writeWanted);
}

void Selection::Disarm()
{
    if (ReadNotifier)
        ReadNotifier->setEnabled(false);
    if (WriteNotifier)
        WriteNotifier->setEnabled(false);
}

void Selection::Deliver(int32_t Event, int Error)
{
    if (Forgotten || !(Events & Event))
        return;
    ++Depth;
    SendMessage(Wnd, Msg, uint32_t(Socket), wsaMakeSelectReply(uint16_t(Event), uint16_t(Error)));
    --Depth;
}

// The selection is gone once no delivery of it runs any more.
void Selection::Release()
{
    if (Forgotten && Depth == 0)
        deleteLater();
}

void Selection::ReadReady()
{
    ++Depth;
    if (Listening) {
        ReadArmed = false;
        Arm();
        Deliver(FD_ACCEPT, 0);
    } else if (!ReadArmed) {
        // Left on through the last delivery (below) by a handler that did not read: now off.
        Arm();
    } else {
        int avail = 0;
        ::ioctl(Socket, FIONREAD, &avail);
        char c;
        const ssize_t peeked = avail > 0 ? 1 : ::recv(Socket, &c, 1, MSG_PEEK | MSG_DONTWAIT);
        const int err = errno;
        if (peeked > 0) {
            // One notice until the next read, but the notifier stays on while the handler runs:
            // a handler that reads arms it again at once, and each switch off and on would
            // cost the event loop a wake-up.
            ReadArmed = false;
            Deliver(FD_READ, 0);
            Arm();
        } else if (peeked == 0 || (err != EAGAIN && err != EWOULDBLOCK && err != EINTR)) {
            // The end of the stream, once everything before it was read.
            CloseDone = true;
            Arm();
            Deliver(FD_CLOSE, peeked == 0 ? 0 : WsaErrorFromErrno(err));
        }
    }
    --Depth;
    Release();
}

void Selection::WriteReady()
{
    ++Depth;
    if (Connecting) {
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(Socket, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
            err = errno;
        ConnectDone(err ? WsaErrorFromErrno(err) : 0);
    } else {
        WriteArmed = false;
        Arm();
        Deliver(FD_WRITE, 0);
    }
    --Depth;
    Release();
}

void Selection::ConnectDone(int Error)
{
    Connecting = false;
    if (Error) {
        CloseDone = true;
        Arm();
        // Without FD_CONNECT the failure still reaches the owner, as the end of the connection.
        Deliver(Events & FD_CONNECT ? FD_CONNECT : FD_CLOSE, Error);
        return;
    }
    Connected = true;
    ReadArmed = true;
    WriteArmed = false;
    Arm();
    Deliver(FD_CONNECT, 0);
    Deliver(FD_WRITE, 0);
}

}  // namespace

int AsyncSelect(TSocket S, HWND Wnd, uint32_t Msg, int32_t Events)
{
    int type = 0;
    socklen_t len = sizeof type;
    if (S < 0 || ::getsockopt(S, SOL_SOCKET, SO_TYPE, &type, &len) != 0)
        return wsaENotSock;
    if (Events != 0 && !Wnd)
        return wsaEInVal;
    // Selected sockets never block, as with Windows Sockets.
    const int flags = ::fcntl(S, F_GETFL);
    if (flags >= 0 && !(flags & O_NONBLOCK))
        ::fcntl(S, F_SETFL, flags | O_NONBLOCK);
    Selection* s = find(S);
    if (Events == 0) {
        if (s)
            AsyncSelectForget(S);
        return 0;
    }
    if (!s) {
        s = new Selection;
        s->Socket = S;
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.selections[S] = s;
    }
    s->Wnd = Wnd;
    s->Msg = Msg;
    s->Events = Events;
    int listening = 0;
    len = sizeof listening;
    s->Listening = ::getsockopt(S, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len) == 0 && listening;
    sockaddr_storage peer{};
    len = sizeof peer;
    s->Connected = !s->Listening && !s->Connecting && ::getpeername(S, reinterpret_cast<sockaddr*>(&peer), &len) == 0;
    s->ReadArmed = true;
    // A connected socket hears FD_WRITE once at once, as Windows Sockets posts it.
    s->WriteArmed = s->Connected;
    s->Arm();
    return 0;
}

void AsyncSelectForget(TSocket S)
{
    Selection* s = nullptr;
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.shutSend.erase(S);
        auto it = r.selections.find(S);
        if (it == r.selections.end())
            return;
        s = it->second;
        r.selections.erase(it);
    }
    s->Forgotten = true;
    // Unregistered before the descriptor is closed; a notifier whose signal is on the stack is
    // deleted with its selection once that delivery has returned.
    s->Disarm();
    if (s->Depth == 0) {
        s->ReadNotifier.reset();
        s->WriteNotifier.reset();
        delete s;
    }
}

bool AsyncSelectConnecting(TSocket S, int PendingError)
{
    Selection* s = find(S);
    if (!s)
        return false;
    s->Connecting = true;
    s->Connected = false;
    s->CloseDone = false;
    if (PendingError) {
        // Told from the event loop, as a late failure would be; dropped with the selection.
        QTimer::singleShot(0, s, [s, PendingError] {
            if (s->Connecting && !s->Forgotten) {
                ++s->Depth;
                s->ConnectDone(PendingError);
                --s->Depth;
                s->Release();
            }
        });
        s->Connecting = true;
        s->Disarm();
        return true;
    }
    s->Arm();
    return true;
}

void AsyncSelectListening(TSocket S)
{
    if (Selection* s = find(S)) {
        s->Listening = true;
        s->Connected = false;
        s->ReadArmed = true;
        s->Arm();
    }
}

void AsyncSelectRead(TSocket S)
{
    if (Selection* s = find(S); s && !s->Listening && !s->ReadArmed) {
        s->ReadArmed = true;
        s->Arm();
    }
}

void AsyncSelectWriteBlocked(TSocket S)
{
    if (Selection* s = find(S); s && !s->WriteArmed) {
        s->WriteArmed = true;
        s->Arm();
    }
}

void AsyncSelectAccepted(TSocket Listener, TSocket NewSocket)
{
    Selection* l = find(Listener);
    if (!l)
        return;
    if (!l->ReadArmed) {
        l->ReadArmed = true;
        l->Arm();
    }
    if (NewSocket >= 0)
        AsyncSelect(NewSocket, l->Wnd, l->Msg, l->Events);
}

void AsyncSelectShutSend(TSocket S)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.shutSend.insert(S);
}

bool AsyncSelectSendShut(TSocket S)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.shutSend.count(S) > 0;
}
