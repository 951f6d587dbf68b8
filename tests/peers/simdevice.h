#pragma once
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace peers {

// The measuring device at the far end of an RS-232 line, simulated on a pseudo-terminal.
// The program opens ptyPath() (through QWLVIEW_COM<n>); the device answers
//   ESC key ? CR        with STX key=value ETX (from its key store),
//   ESC key=value CR    by storing the value and echoing STX key=value ETX,
//   ESC cmd=text CR     by recording the command (no answer).
// Both pty ends stay open for the device's whole life, so the program may close and reopen
// the port. Thread rules: every member may be called from any thread.
class SimDevice {
public:
    // How the device misbehaves; applies to every answer until changed.
    struct Script {
        bool silent = false;  // read and record, never answer
        int silentAfter = -1;  // >= 0: answer that many requests, then fall silent
        bool errorReply = false;  // answer every query and write with errorText
        std::string errorText = "-";
        std::string noiseBeforeStx{};  // sent in front of every answer frame
        std::string noiseAfterEtx{};  // sent behind every answer frame
        bool splitBytes = false;  // send answers one byte at a time, with a pause between
        int splitPauseMs = 3;
        bool echoUpperCase = false;  // a write is stored, but echoed upper-cased
        std::string echoOverride{};  // non-empty: a write is echoed with this value instead
        int replyDelayMs = 0;  // pause before each answer
        std::set<std::string> refusedKeys{};  // queries and writes of these get errorText
        std::string strayAfterKey{};  // after answering this key the device sends strayFrame
        std::string strayFrame{};  // e.g. "ip.gateway=10.0.0.1", framed as an answer
        int strayDelayMs = 40;
    };

    // One complete request frame as received (without ESC and CR).
    struct Request {
        enum Kind { Query, Write, Command, Other } kind;
        std::string key;  // query and write: the key; command: the command text
        std::string value;  // write: the value
        std::string text;  // the whole frame content
    };

    SimDevice();  // opens the pty pair in raw mode and loads the default key table
    ~SimDevice();
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& ptyPath() const { return path_; }

    void start();  // serve on a thread of its own
    void stop();  // idempotent; also done by the destructor

    void setScript(const Script& s);
    Script script() const;

    void setKey(const std::string& key, const std::string& value);
    void removeKey(const std::string& key);
    bool hasKey(const std::string& key) const;
    std::string key(const std::string& key) const;  // "" when unknown
    void clearKeys();
    void loadDefaultKeys();

    std::string received() const;  // every byte the program sent, in order
    std::vector<Request> requests() const;
    std::vector<std::string> commands() const;
    void clearRecord();

    // Waits (bounded) until at least n requests were received.
    bool waitForRequests(size_t n, int timeoutMs = 5000) const;
    // Until n answers since clearRecord() have been written (a delayed one included), then drops what the program
    // has not read yet: a reply that missed its request must not meet the next one.
    bool waitForAnswersAndDiscardUnread(size_t n, int timeoutMs = 5000);

    // Sends raw bytes to the program, as if the device sent them on its own.
    void sendRaw(const std::string& bytes);

private:
    void run();
    void handleByte(unsigned char b);
    void handleFrame(const std::string& frame);
    void answer(const std::string& text, const Script& s);
    void writeAll(const char* p, size_t n);

    int master_ = -1;
    int slave_ = -1;  // kept open: the line's settings and the pair survive the program's close
    int wake_[2] = {-1, -1};
    std::string path_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Script script_;
    std::map<std::string, std::string> keys_;
    std::string received_;
    std::vector<Request> requests_;
    size_t answers_ = 0;
    size_t answered_ = 0;

    std::mutex writeMutex_;  // one frame at a time on the wire
    std::string frame_;  // the frame being received (after ESC)
    bool inFrame_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

// The device's keys and their factory values, in the order of the configuration key table.
const std::vector<std::pair<std::string, std::string>>& SimDeviceDefaultKeys();

}  // namespace peers
