#pragma once
#include <functional>
#include <thread>

class TApdWin32Dispatcher;

// One worker thread of an open serial port. The dispatcher creates, starts and joins it;
// Execute runs on the thread and ends when the dispatcher asks the threads to stop.
// Thread rules: Start and Join belong to the thread that opens and closes the port.
class TApdDispatcherThread {
public:
    explicit TApdDispatcherThread(TApdWin32Dispatcher& Disp) : H(Disp) {}
    virtual ~TApdDispatcherThread();
    TApdDispatcherThread(const TApdDispatcherThread&) = delete;
    TApdDispatcherThread& operator=(const TApdDispatcherThread&) = delete;

    void Start();
    void Join();

    // Runs Method on the user-interface thread and waits for it; returns false when the port
    // is closing and the call was dropped.
    bool Sync(const std::function<void()>& Method);

    // The dispatcher whose worker thread is running the caller, or nullptr.
    static TApdWin32Dispatcher* CurrentDispatcher();

protected:
    virtual void Execute() = 0;
    TApdWin32Dispatcher& H;

private:
    std::thread Thread;
};
