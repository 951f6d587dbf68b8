#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

namespace platform {

// One running instance per user and name: an flock on a lock file in $XDG_RUNTIME_DIR (else
// /tmp), held for the life of the object, plus a local socket by which a later instance asks
// this one to show its window. The lock is taken before the socket listens, so a second
// instance that starts while the first is still starting finds the lock and ends quietly.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process now owns the name. Needs no application object, so it can run
    // first thing in main().
    bool Acquire();
    // Starts listening for hand-over requests; needs the application object.
    bool Listen();
    // For the second instance: asks the owner to show its window; waits at most timeoutMs for
    // the acknowledgement. False when no owner answered (e.g. it is still starting).
    bool AskOwnerToShow(int timeoutMs = 2000);

    // Called on the owner's thread for every hand-over request.
    void SetShowHandler(std::function<void()> handler) { m_onShow = std::move(handler); }
    int HandOvers() const { return m_handOvers; }

    QString LockPath() const;
    QString SocketPath() const;

private:
    void OnConnection();

    QString m_name;
    int m_fd = -1;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_onShow;
    int m_handOvers = 0;
};

}  // namespace platform
