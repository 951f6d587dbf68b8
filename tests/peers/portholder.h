#pragma once
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>

namespace peers {

// Another program holding a device open (/bin/sleep, the device its input) from construction on.
class PortHolderProcess {
public:
    explicit PortHolderProcess(const std::string& path)
    {
        posix_spawn_file_actions_t open;
        posix_spawn_file_actions_init(&open);
        posix_spawn_file_actions_addopen(&open, 0, path.c_str(), O_RDWR | O_NOCTTY, 0);
        char arg0[] = "sleep", arg1[] = "30", *argv[] = {arg0, arg1, nullptr}, *envp[] = {nullptr};
        if (posix_spawn(&m_pid, "/bin/sleep", &open, nullptr, argv, envp) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&open);
        // Until the child has run exec it carries our name; tests look for "sleep".
        std::string comm;
        for (int i = 0; m_pid > 0 && comm != "sleep" && i < 400; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::getline(std::ifstream("/proc/" + std::to_string(m_pid) + "/comm"), comm);
        }
    }
    ~PortHolderProcess()
    {
        if (m_pid > 0 && ::kill(m_pid, SIGKILL) == 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    PortHolderProcess(const PortHolderProcess&) = delete;
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

}  // namespace peers
