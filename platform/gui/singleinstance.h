#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

namespace platform {

// One running instance per user and name: an flock on a lock file, held for the life of the
// object, plus a local socket by which a later instance asks this one to show its window. Both
// lie in the user's runtime folder ($XDG_RUNTIME_DIR), else in a folder of the user's own below
// the temporary folder, made with mode 700; a folder that is a link, someone else's or open to
// others is not used, so no other user can take the names first. The lock is taken before the
// socket listens, so a second instance that starts while the first is still starting finds the
// lock and ends quietly.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Lock { Owned, HeldByOther, Unavailable };

    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Owned when this process now owns the name; Unavailable when no lock can be made here
    // (Problem() says why). Needs no application object, so it can run first thing in main().
    Lock Acquire();
    QString Problem() const { return m_problem; }
    // Starts listening for hand-over requests; needs the application object.
    bool Listen();
    // For the second instance: asks the owner to show its window; waits at most timeoutMs for
    // the acknowledgement. False when no owner answered (e.g. it is still starting).
    bool AskOwnerToShow(int timeoutMs = 2000);

    // Called on the owner's thread for every hand-over request.
    void SetShowHandler(std::function<void()> handler) { m_onShow = std::move(handler); }
    int HandOvers() const { return m_handOvers; }

    // Empty when no usable folder exists.
    QString LockPath() const;
    QString SocketPath() const;
    // The folder of both: the runtime folder, else the user's own; empty (problem says why)
    // when neither is usable.
    static QString InstanceFolder(QString* problem = nullptr);

private:
    void OnConnection();

    QString m_name;
    QString m_problem;
    int m_fd = -1;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_onShow;
    int m_handOvers = 0;
};

}  // namespace platform
