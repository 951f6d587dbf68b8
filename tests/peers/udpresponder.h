#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

namespace peers {

// The simulated devices' search responder (simdevice_udp.py) as a child process of the test.
// Devices as the script takes them: "id,address[,region,station[,fault[,mask]]]".
class UdpResponder {
public:
    // port 0: a free port, read back by Port().
    UdpResponder(const QStringList& devices, int port = 0);
    ~UdpResponder();

    bool ok() const { return m_port > 0; }
    int Port() const { return m_port; }
    // Changes a device's fault while running; waits for the acknowledgement.
    bool SetFault(const QString& id, const QString& fault);
    // Datagrams received so far: "<to> <from>:<port> <text>" with the text as a Python literal,
    // e.g. "127.255.255.255 127.0.0.1:8002 b'0 1'".
    QStringList Received();

private:
    void ReadLines(int waitMs);

    QProcess m_process;
    QByteArray m_pending;
    QStringList m_received;
    int m_acks = 0;
    int m_port = 0;
};

}  // namespace peers
