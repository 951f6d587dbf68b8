#pragma once
#include <string>
#include <sys/types.h>

namespace peers {

// Another program holding a device open: /bin/sleep with the device as its standard input,
// open once the constructor returns. The destructor ends it (by its pid) and reaps it.
class PortHolderProcess {
public:
    explicit PortHolderProcess(const std::string& path);
    ~PortHolderProcess();
    PortHolderProcess(const PortHolderProcess&) = delete;
    PortHolderProcess& operator=(const PortHolderProcess&) = delete;

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

}  // namespace peers
