#include "peers/simdevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace peers {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kCr = 0x0D;
constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr size_t kMaxFrame = 4096;  // a runaway frame is dropped, not grown without end

// The device compares keys without regard to case ("ppp.Usetime" reads "ppp.usetime").
std::string folded(const std::string& key)
{
    std::string k = key;
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : char(c);
    });
    return k;
}

void makeRaw(int fd)
{
    termios t {};
    if (tcgetattr(fd, &t) != 0)
        return;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

SimDevice::SimDevice()
{
    int m = -1, s = -1;
    char name[256] = {};
    if (openpty(&m, &s, name, nullptr, nullptr) != 0)
        return;
    // A cooked pty echoes what the program sends: raw at once, on both ends.
    makeRaw(s);
    makeRaw(m);
    fcntl(m, F_SETFD, FD_CLOEXEC);
    fcntl(s, F_SETFD, FD_CLOEXEC);
    fcntl(m, F_SETFL, fcntl(m, F_GETFL) | O_NONBLOCK);
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        close(m);
        close(s);
        return;
    }
    master_ = m;
    slave_ = s;
    path_ = name;
    loadDefaultKeys();
}

SimDevice::~SimDevice()
{
    stop();
    if (master_ >= 0)
        close(master_);
    if (slave_ >= 0)
        close(slave_);
    for (int fd : wake_)
        if (fd >= 0)
            close(fd);
}

void SimDevice::start()
{
    if (!ok() || thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { run(); });
}

void SimDevice::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    if (wake_[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] ssize_t r = write(wake_[1], &c, 1);
    }
    if (thread_.joinable())
        thread_.join();
    if (wake_[0] >= 0) {
        char buf[16];
        while (read(wake_[0], buf, sizeof buf) > 0) {
        }
    }
}

void SimDevice::setScript(const Script& s)
{
    std::lock_guard<std::mutex> lock(mutex_);
    script_ = s;
    answered_ = 0;
}

SimDevice::Script SimDevice::script() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return script_;
}

void SimDevice::setKey(const std::string& key, const std::string& value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    keys_[folded(key)] = value;
}

void SimDevice::removeKey(const std::string& key)
{
    std::lock_guard<std::mutex> lock(mutex_);
    keys_.erase(folded(key));
}

bool SimDevice::hasKey(const std::string& key) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return keys_.count(folded(key)) != 0;
}

std::string SimDevice::key(const std::string& key) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = keys_.find(folded(key));
    return it == keys_.end() ? std::string() : it->second;
}

void SimDevice::clearKeys()
{
    std::lock_guard<std::mutex> lock(mutex_);
    keys_.clear();
}

void SimDevice::loadDefaultKeys()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [k, v] : SimDeviceDefaultKeys())
        keys_[folded(k)] = v;
}

std::string SimDevice::received() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::vector<SimDevice::Request> SimDevice::requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::string> SimDevice::commands() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const Request& r : requests_)
        if (r.kind == Request::Command)
            out.push_back(r.key);
    return out;
}

void SimDevice::clearRecord()
{
    std::lock_guard<std::mutex> lock(mutex_);
    received_.clear();
    requests_.clear();
    answers_ = 0;
}

bool SimDevice::waitForRequests(size_t n, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
        [&] { return requests_.size() >= n; });
}

bool SimDevice::waitForAnswersAndDiscardUnread(size_t n, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    const bool answered = changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return answers_ >= n; });
    tcflush(master_, TCOFLUSH);
    return answered;
}

void SimDevice::sendRaw(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(writeMutex_);
    writeAll(bytes.data(), bytes.size());
}

void SimDevice::run()
{
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_)
                return;
        }
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        int n = poll(fds, 2, 200);
        if (n < 0 && errno != EINTR)
            return;
        if (n <= 0)
            continue;
        if (fds[1].revents)
            continue;  // stop requested: checked at the top
        if (fds[0].revents & POLLIN) {
            unsigned char buf[512];
            ssize_t got = read(master_, buf, sizeof buf);
            for (ssize_t i = 0; i < got; ++i)
                handleByte(buf[i]);
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // No slave open (we keep one, so this is rare): do not spin.
            poll(nullptr, 0, 20);
        }
    }
}

void SimDevice::handleByte(unsigned char b)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.push_back(char(b));
    }
    if (b == kEsc) {
        inFrame_ = true;
        frame_.clear();
        return;
    }
    if (!inFrame_)
        return;
    if (b == kCr) {
        inFrame_ = false;
        handleFrame(frame_);
        frame_.clear();
        return;
    }
    if (frame_.size() >= kMaxFrame) {
        inFrame_ = false;
        frame_.clear();
        return;
    }
    frame_.push_back(char(b));
}

void SimDevice::handleFrame(const std::string& frame)
{
    Request r {Request::Other, {}, {}, frame};
    const size_t eq = frame.find('=');
    if (frame.size() >= 4 && frame.compare(0, 4, "cmd=") == 0) {
        r.kind = Request::Command;
        r.key = frame.substr(4);
    } else if (!frame.empty() && frame.back() == '?' && eq == std::string::npos) {
        r.kind = Request::Query;
        r.key = frame.substr(0, frame.size() - 1);
    } else if (eq != std::string::npos && eq > 0) {
        r.kind = Request::Write;
        r.key = frame.substr(0, eq);
        r.value = frame.substr(eq + 1);
    }

    Script s;
    std::string reply;
    bool answerIt = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(r);
        s = script_;
        if (r.kind == Request::Query || r.kind == Request::Write || r.kind == Request::Other) {
            const bool quiet = s.silent || (s.silentAfter >= 0 && answered_ >= size_t(s.silentAfter));
            if (!quiet) {
                ++answered_;
                answerIt = true;
                auto it = keys_.find(folded(r.key));
                if (s.errorReply || r.kind == Request::Other || s.refusedKeys.count(folded(r.key))) {
                    reply = s.errorText;
                } else if (r.kind == Request::Query) {
                    reply = it == keys_.end() ? s.errorText : folded(r.key) + "=" + it->second;  // its own spelling
                } else {
                    keys_[folded(r.key)] = r.value;
                    std::string echo = r.value;
                    if (!s.echoOverride.empty())
                        echo = s.echoOverride;
                    if (s.echoUpperCase)
                        std::transform(echo.begin(), echo.end(), echo.begin(), [](unsigned char c) {
                            return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : char(c);
                        });
                    reply = r.key + "=" + echo;
                }
            }
        }
    }
    changed_.notify_all();
    if (answerIt) {
        answer(reply, s);
        std::lock_guard<std::mutex> lock(mutex_);
        ++answers_;
        changed_.notify_all();
    }
    if (answerIt && !s.strayAfterKey.empty() && folded(r.key) == folded(s.strayAfterKey))
        answer(s.strayFrame, {.replyDelayMs = s.strayDelayMs});
}

void SimDevice::answer(const std::string& text, const Script& s)
{
    if (s.replyDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(s.replyDelayMs));
    const std::string wire = s.noiseBeforeStx + kStx + text + kEtx + s.noiseAfterEtx;
    std::lock_guard<std::mutex> lock(writeMutex_);
    if (!s.splitBytes) {
        writeAll(wire.data(), wire.size());
        return;
    }
    for (char c : wire) {
        writeAll(&c, 1);
        tcdrain(master_);
        std::this_thread::sleep_for(std::chrono::milliseconds(s.splitPauseMs));
    }
}

void SimDevice::writeAll(const char* p, size_t n)
{
    // Bounded: a program that never reads must not hang the device forever.
    for (int tries = 0; n > 0 && tries < 500;) {
        ssize_t w = write(master_, p, n);
        if (w > 0) {
            p += w;
            n -= size_t(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR)
            return;
        ++tries;
        pollfd f {master_, POLLOUT, 0};
        poll(&f, 1, 10);
    }
}

}  // namespace peers
