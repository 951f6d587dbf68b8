#include "peers/portholder.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

namespace peers {

PortHolderProcess::PortHolderProcess(const std::string& path)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, path.c_str(), O_RDWR | O_NOCTTY, 0);
    char arg0[] = "sleep";
    char arg1[] = "30";
    char* argv[] = {arg0, arg1, nullptr};
    char* envp[] = {nullptr};
    if (posix_spawn(&pid_, "/bin/sleep", &actions, nullptr, argv, envp) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

PortHolderProcess::~PortHolderProcess()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

}  // namespace peers
