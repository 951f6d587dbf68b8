#include "platform/core/signalclose.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {
int g_pipe[2] = {-1, -1};
QSocketNotifier* g_notifier = nullptr;
std::function<void()> g_onSignal;

extern "C" void onSignal(int)
{
    const char c = 1;
    const int saved = errno;
    [[maybe_unused]] ssize_t n = ::write(g_pipe[0], &c, 1);
    errno = saved;
}
}  // namespace

bool InstallCloseOnSignal(std::function<void()> handler)
{
    RemoveCloseOnSignal();
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return false;
    g_onSignal = std::move(handler);
    g_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read);
    QObject::connect(g_notifier, &QSocketNotifier::activated, [] {
        char buf[16];
        while (::read(g_pipe[1], buf, sizeof buf) > 0) {
        }
        if (g_onSignal)
            g_onSignal();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    return true;
}

void RemoveCloseOnSignal()
{
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    delete g_notifier;
    g_notifier = nullptr;
    for (int& fd : g_pipe)
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    g_onSignal = nullptr;
}

}  // namespace platform
