#pragma once
#include <string>
#include <termios.h>

// A pseudo-terminal pair for serial tests: the test plays the device on the master side, the
// port under test opens the slave by its path (through QWLVIEW_COM<n>). The master is raw at
// once (a cooked pty echoes) and a slave descriptor stays open, so the port can close and
// reopen without the master seeing a hang-up.
class PtyPair {
public:
    PtyPair();
    explicit PtyPair(int comNumber) : PtyPair() { exportAs(comNumber); }
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Points QWLVIEW_COM<n> at the slave; the destructor removes the variable again.
    void exportAs(int comNumber);

    // Writes all of s (bounded wait); false on failure.
    bool write(const std::string& s);
    // Reads until n bytes arrived or timeoutMs passed.
    std::string read(size_t n, int timeoutMs = 3000);
    // Reads what arrives until the line is quiet for quietMs (at most timeoutMs in all).
    std::string readQuiet(int quietMs = 100, int timeoutMs = 3000);
    // The slave's line settings as the port left them.
    termios slaveTermios() const;
    // The far end goes away (hang-up as the port sees it).
    void hangUp();

private:
    int master_ = -1;
    int slaveHold_ = -1;
    std::string slavePath_;
    int exported_ = 0;
};
