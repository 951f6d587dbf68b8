#pragma once
#include <QByteArray>
#include <cstdint>

// A raw POSIX TCP peer on 127.0.0.1 for the socket tests: a listener on a free port and one
// accepted client. Every call returns at once (non-blocking), so a test pumps the Qt event
// loop while it waits for the peer (pumpUntil).
class TcpPeer {
public:
    explicit TcpPeer(uint16_t Port = 0);  // listens on 127.0.0.1, Port or a free one
    ~TcpPeer();
    TcpPeer(const TcpPeer&) = delete;
    TcpPeer& operator=(const TcpPeer&) = delete;

    bool ok() const { return listener_ >= 0; }
    uint16_t port() const { return port_; }
    bool connected() const { return client_ >= 0; }
    // Takes a waiting connection; true once there is a client.
    bool tryAccept();
    // Connects to 127.0.0.1:port as the client; true when the connection is made.
    bool connectTo(uint16_t port);
    // Sends all of data (bounded); false on failure.
    bool send(const QByteArray& data);
    // Moves what has arrived into received(); false once the other side has closed.
    bool poll();
    QByteArray& received() { return received_; }
    // Closes the client gracefully, or with a reset.
    void close();
    void reset();
    void closeListener();
    int clientFd() const { return client_; }

private:
    int listener_ = -1;
    int client_ = -1;
    uint16_t port_ = 0;
    QByteArray received_;
};
