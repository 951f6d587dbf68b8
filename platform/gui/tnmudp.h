#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <stdexcept>

class QUdpSocket;

// A failed bind or send of the UDP component.
class ENMUDPError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Datagram endpoint for the device search: IPv4 only (sender addresses come as plain dotted
// text), bound to LocalPort, sending to RemoteHost:RemotePort, directed broadcast addresses
// included. Lives on the user-interface thread; OnDataReceived runs there once per datagram.
class TNMUDP : public QObject {
    Q_OBJECT
public:
    explicit TNMUDP(QObject* owner = nullptr);
    ~TNMUDP() override;

    int ReportLevel = 0;  // kept for the callers; no status is reported
    int RemotePort = 0;
    QString RemoteHost;

    int LocalPort() const { return m_localPort; }
    // Binds to the port on every IPv4 address (0: any free port). Setting the port already
    // bound does nothing; a failed bind is retried by the next setting or send.
    void SetLocalPort(int port);
    // The port actually bound, 0 when not bound.
    int BoundPort() const;

    // Sends one datagram to RemoteHost:RemotePort from LocalPort; throws ENMUDPError when the
    // local port cannot be bound, the host is no dotted IPv4 address or the send fails.
    void SendBuffer(const QByteArray& data);
    // Inside OnDataReceived: copies up to max bytes of the datagram being delivered, returns
    // the count (0 outside the event).
    int ReadBuffer(char* buffer, int max);

    std::function<void(TNMUDP* Sender, int NumberBytes, const QString& FromIP, int Port)> OnDataReceived;

private:
    bool Bind();
    void ReadPending();

    QUdpSocket* m_socket = nullptr;
    int m_localPort = 0;
    bool m_bound = false;
    QByteArray m_datagram;  // the one being delivered
};
