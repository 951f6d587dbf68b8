#pragma once
#include <QByteArray>
#include <QList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// An FTP server in a thread of the test for what no real server does on request: replies out
// of order or never, a data connection reset or left open, a 227 naming another host, a
// listing with any bytes. It serves one control connection after another on 127.0.0.1 (or
// the given address and port). Each command line (telnet IAC IAC undoubled, other telnet
// commands dropped) goes to the handler first; what it leaves, the defaults answer: USER 331,
// PASS 230, TYPE 200, PASV 227 with a data listener on 127.0.0.1, CWD 250, PWD 257, NOOP 200,
// ABOR 226, QUIT 221 and close, anything else 502.
//
// Thread rules: the handler runs on the server's thread and uses only the Session it is given
// and what it captured by value; the test reads Commands() from its own thread.
class ScriptedFtp {
public:
    class Session {
    public:
        void Reply(const QByteArray& Line);  // Line and CR LF
        // The client's data connection to the last PASV listener; false after TimeoutMs.
        bool AcceptData(int TimeoutMs = 5000);
        bool SendData(const QByteArray& Bytes);
        void CloseData();
        void ResetData();  // closes with a reset (RST)
        // Sleeps, shorter when the server is being stopped.
        void Pause(int Ms);
        // From now on nothing more is read or answered on this connection.
        void Mute() { muted_ = true; }

    private:
        friend class ScriptedFtp;
        explicit Session(ScriptedFtp& Server) : server_(Server) {}
        ScriptedFtp& server_;
        int control_ = -1;
        int listener_ = -1;
        int data_ = -1;
        bool muted_ = false;
    };

    // True when the handler answered the command itself.
    using Handler = std::function<bool(Session& S, const QByteArray& Verb, const QByteArray& Arg)>;

    explicit ScriptedFtp(Handler H = {}, const char* PasvHost = "127,0,0,1", const char* Address = "127.0.0.1",
                         uint16_t Port = 0);
    ~ScriptedFtp();
    ScriptedFtp(const ScriptedFtp&) = delete;
    ScriptedFtp& operator=(const ScriptedFtp&) = delete;

    bool ok() const { return listener_ >= 0; }
    uint16_t Port() const { return port_; }
    // Command lines received so far (without CR LF).
    QList<QByteArray> Commands() const;
    // The address the last data connection came from, "" before one.
    QByteArray DataPeer() const;

private:
    void Run();
    void Serve(int Control);
    void Answer(Session& S, const QByteArray& Line);

    Handler handler_;
    QByteArray pasvHost_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    QList<QByteArray> commands_;
    QByteArray dataPeer_;
    std::thread thread_;
};
