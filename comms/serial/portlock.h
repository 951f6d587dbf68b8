#pragma once
#include <string>
#include <vector>

// Keeps two programs off one serial port, as serial programs on Linux agree among themselves:
// a lock file "LCK..<device>" in the lock folder (/run/lock, else /var/lock) holding the
// owner's process id, and, where the lock is not used, no other process with the device open.
// flock and TIOCEXCL on the open device (serialdevice.cpp) keep the rest out while it is ours.
class PortLock {
public:
    PortLock() = default;
    ~PortLock() { Release(); }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // Before the device is opened: 0, or ecHardware ("in use") when another process holds it
    // (a lock file of a live process, or the device open in another process). A stale lock
    // file is removed; the program's own lock file is made where the folder lets it.
    int Acquire(const std::string& devicePath);
    // Removes the lock file this object made, if any.
    void Release();

private:
    std::string lockFile_;
};

// The process that holds a device, as "name (pid n)"; empty when no other process is known.
std::string PortHolder(const std::string& devicePath);

// The folders searched for lock files, the first writable one taking ours. Tests point it at
// a folder of their own; an empty list restores /run/lock and /var/lock.
void SetPortLockDirectories(const std::vector<std::string>& dirs);
